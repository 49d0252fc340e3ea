@echo off
rem Vorlan factory step: BIOS settings for the platform ("Tarn").
rem Presetra's commit action runs it on every platform but consumer products as
rem     TBIOS.cmd BUILD true|false >> "c:\system.sav\logs\osit\Presetra_BIOS.log"
rem BUILD is Windows' build number; the second argument says whether the machine has
rem Connected Standby. The BIOS configuration tool and its settings files, when the image
rem ships them next to this script, are applied; otherwise the step records itself only.
setlocal EnableExtensions DisableDelayedExpansion
echo [%DATE% %TIME%] TBIOS.cmd %*

set "BUILD=%~1"
set "CS=%~2"
if "%BUILD%"=="" goto usage
if "%CS%"=="" goto usage
if not "%~3"=="" (
  echo ERROR: unexpected argument "%~3".
  goto usage
)
for /f "delims=0123456789" %%c in ("%BUILD%") do (
  echo ERROR: "%BUILD%" is not a Windows build number.
  exit /b 2
)
if /i "%CS%"=="true" (
  set "SETTINGS=%~dp0TBIOS_ConnectedStandby.txt"
) else if /i "%CS%"=="false" (
  set "SETTINGS=%~dp0TBIOS_Standard.txt"
) else (
  echo ERROR: "%CS%" is neither true nor false.
  goto usage
)

set "TOOL=%~dp0BiosConfigUtility.exe"
if not exist "%TOOL%" (
  echo No BIOS configuration tool at "%TOOL%": nothing to apply for build %BUILD%.
  exit /b 0
)
if not exist "%SETTINGS%" (
  echo No BIOS settings at "%SETTINGS%": nothing to apply for build %BUILD%.
  exit /b 0
)
echo Applying "%SETTINGS%" for build %BUILD%.
"%TOOL%" /set:"%SETTINGS%"
set "RESULT=%ERRORLEVEL%"
echo [%DATE% %TIME%] BIOS configuration ended with %RESULT%.
exit /b %RESULT%

:usage
echo Usage: TBIOS.cmd BUILD true^|false
exit /b 2
