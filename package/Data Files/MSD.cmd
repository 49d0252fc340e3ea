@echo off
rem Vorlan factory step: Modern Standby (Connected Standby) provisioning package.
rem Presetra's commit action runs it on Connected Standby notebooks as
rem     MSD.cmd BUILD >> "c:\system.sav\logs\osit\Presetra_MSD.log"
rem BUILD is Windows' build number. Before RS3 (16299) the package that keeps the network
rem disconnected in standby is applied when it is shipped next to this script.
setlocal EnableExtensions DisableDelayedExpansion
echo [%DATE% %TIME%] MSD.cmd %*

set "BUILD=%~1"
if "%BUILD%"=="" (
  echo ERROR: no Windows build number given. Usage: MSD.cmd BUILD
  exit /b 2
)
if not "%~2"=="" (
  echo ERROR: unexpected argument "%~2". Usage: MSD.cmd BUILD
  exit /b 2
)
for /f "delims=0123456789" %%c in ("%BUILD%") do (
  echo ERROR: "%BUILD%" is not a Windows build number.
  exit /b 2
)

if %BUILD% GEQ 16299 (
  echo Build %BUILD% is RS3 or later: Modern Standby is configured by the image itself.
  exit /b 0
)
set "PPKG=%~dp0ModernStandbyDisconnected.ppkg"
if not exist "%PPKG%" (
  echo No provisioning package at "%PPKG%": nothing to apply.
  exit /b 0
)
rem DISM by its full path, never from the current folder or the search path. A 32-bit command
rem interpreter on 64-bit Windows reaches the 64-bit DISM, the one that can service the running
rem system, through Sysnative.
set "DISM=%SystemRoot%\System32\Dism.exe"
if exist "%SystemRoot%\Sysnative\Dism.exe" set "DISM=%SystemRoot%\Sysnative\Dism.exe"
echo Applying "%PPKG%".
"%DISM%" /Online /Add-ProvisioningPackage /PackagePath:"%PPKG%"
set "RESULT=%ERRORLEVEL%"
echo [%DATE% %TIME%] DISM ended with %RESULT%.
exit /b %RESULT%
