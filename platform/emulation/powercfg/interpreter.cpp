#include "platform/emulation/powercfg/interpreter.h"

#include <cstdio>
#include <list>
#include <vector>

#include "platform/emulation/powercfg/settings_catalog.h"
#include "platform/guid.h"

namespace presetra::powercfg {

namespace {

constexpr char kInvalidParameters[] = "Invalid Parameters -- try \"/?\" for help\n";
constexpr char kDoesNotExist[] =
    "The power scheme, subgroup or setting specified does not exist.\n";

// Splits a command line as the C runtime does: blanks separate, quotes group. A token is a view
// of the line, or of `unquoted` where quotes had to be taken out of it.
std::vector<WStringView> Tokens(WStringView text, std::list<WString>& unquoted) {
  std::vector<WStringView> tokens;
  tokens.reserve(8);
  std::size_t start = 0;
  bool inToken = false;
  bool quoted = false;
  WString* token = nullptr;  // the token's text, once it had a quote
  auto finish = [&](std::size_t at) {
    if (inToken)
      tokens.push_back(token != nullptr ? WStringView(*token) : text.substr(start, at - start));
    inToken = false;
    token = nullptr;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if ((c == u' ' || c == u'\t') && !quoted) {
      finish(i);
      continue;
    }
    if (!inToken) {
      inToken = true;
      start = i;
    }
    if (c == u'"') {
      if (token == nullptr) token = &unquoted.emplace_back(text.substr(start, i - start));
      if (quoted && i + 1 < text.size() && text[i + 1] == u'"') {
        token->push_back(u'"');
        ++i;
      } else {
        quoted = !quoted;
      }
    } else if (token != nullptr) {
      token->push_back(c);
    }
  }
  finish(text.size());
  return tokens;
}

bool IsOption(WStringView token, std::initializer_list<const char16_t*> names) {
  if (token.size() < 2 || (token[0] != u'-' && token[0] != u'/')) return false;
  WStringView name = token.substr(1);
  for (const char16_t* candidate : names) {
    if (EqualsIgnoringCase(name, candidate)) return true;
  }
  return false;
}

// A scheme named by GUID or alias, as lower-case GUID text; empty when it is neither.
WString SchemeGuid(const SchemeStore& store, WStringView token) {
  if (EqualsIgnoringCase(token, u"SCHEME_MAX")) return kPowerSaver;
  if (EqualsIgnoringCase(token, u"SCHEME_MIN")) return kHighPerformance;
  if (EqualsIgnoringCase(token, u"SCHEME_BALANCED")) return kBalanced;
  if (EqualsIgnoringCase(token, u"SCHEME_CURRENT")) return store.Active();
  if (platform::IsGuidText(token)) return ToLower(token);
  return WString();
}

WString SubgroupGuid(WStringView token) {
  if (EqualsIgnoringCase(token, u"SUB_NONE")) return kNoSubgroup;
  if (platform::IsGuidText(token)) return ToLower(token);
  return WString();
}

bool ParseIndex(WStringView text, std::uint32_t* value) {
  std::uint64_t result = 0;
  std::size_t i = 0;
  int base = 10;
  if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
    base = 16;
    i = 2;
  }
  if (i >= text.size()) return false;
  for (; i < text.size(); ++i) {
    char16_t c = ToLowerChar(text[i]);
    int digit = c >= u'0' && c <= u'9' ? c - u'0' : (c >= u'a' && c <= u'f' ? c - u'a' + 10 : 99);
    if (digit >= base) return false;
    result = result * base + digit;
    if (result > 0xFFFFFFFFull) return false;
  }
  *value = static_cast<std::uint32_t>(result);
  return true;
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08x", value);
  return text;
}

Outcome Fail(const char* message) {
  return Outcome{1, message};
}

std::string SchemeLine(const Scheme& scheme, const StringResolver& resolve) {
  return "Power Scheme GUID: " + Utf16ToUtf8(scheme.guid) + "  (" +
         Utf16ToUtf8(DisplayText(scheme.name, resolve)) + ")";
}

WString NewSchemeGuid(const SchemeStore& store) {
  char text[40];
  std::snprintf(text, sizeof(text), "5ca1ab1e-0000-4000-8000-%012zx", store.Guids().size());
  return Utf8ToUtf16(text);
}

// -query lists what Windows shows; -qh also the settings Windows hides.
Outcome Query(const SchemeStore& store, const std::vector<WStringView>& args,
              const StringResolver& resolve, bool withHidden) {
  std::vector<Scheme> schemes;
  if (args.size() > 1) {
    WString guid = SchemeGuid(store, args[1]);
    auto scheme = guid.empty() ? std::nullopt : store.Find(guid);
    if (!scheme) return Fail(kDoesNotExist);
    schemes.push_back(*scheme);
  } else {
    auto active = store.Find(store.Active());
    if (active) schemes.push_back(*active);
  }
  WString onlySubgroup = args.size() > 2 ? SubgroupGuid(args[2]) : WString();
  Outcome outcome;
  for (const auto& scheme : schemes) {
    outcome.output += SchemeLine(scheme, resolve) + "\n";
    WString subgroup;
    for (const auto& info : SettingsCatalog()) {
      const SettingKey& key = KeyOf(info);
      if (info.hidden && !withHidden) continue;
      if (!onlySubgroup.empty() && key.subgroup != onlySubgroup) continue;
      auto value = scheme.values.find(key);
      if (value == scheme.values.end()) continue;
      if (key.subgroup != subgroup) {
        subgroup = key.subgroup;
        outcome.output +=
            "  Subgroup GUID: " + Utf16ToUtf8(subgroup) + "  (" + info.subgroupName + ")\n";
      }
      outcome.output +=
          "    Power Setting GUID: " + Utf16ToUtf8(info.setting) + "  (" + info.settingName + ")\n";
      if (info.alias != nullptr)
        outcome.output += "      GUID Alias: " + Utf16ToUtf8(info.alias) + "\n";
      for (std::size_t i = 0; i < info.choices.size(); ++i) {
        char index[24];
        std::snprintf(index, sizeof(index), "%03zu", i);
        outcome.output += std::string("      Possible Setting Index: ") + index +
                          "\n      Possible Setting Friendly Name: " + info.choices[i] + "\n";
      }
      if (info.unit[0] != '\0') {
        outcome.output += std::string("      Possible Settings units: ") + info.unit + "\n";
      }
      if (value->second.ac) {
        outcome.output += "    Current AC Power Setting Index: " + Hex(*value->second.ac) + "\n";
      }
      if (value->second.dc) {
        outcome.output += "    Current DC Power Setting Index: " + Hex(*value->second.dc) + "\n";
      }
      outcome.output += "\n";
    }
  }
  return outcome;
}

// What a -setacvalueindex or -setdcvalueindex command sets.
struct ValueCommand {
  WString scheme;
  SettingKey key;
  bool ac = true;
  std::uint32_t index = 0;
};

// Reads a value command; the error powercfg reports when it refuses it.
const char* ParseValueCommand(const SchemeStore& store, const std::vector<WStringView>& args,
                              ValueCommand* command) {
  if (args.size() != 5) return kInvalidParameters;
  command->ac = IsOption(args[0], {u"setacvalueindex"});
  command->scheme = SchemeGuid(store, args[1]);
  WString subgroup = SubgroupGuid(args[2]);
  if (command->scheme.empty() || subgroup.empty() || !ParseIndex(args[4], &command->index)) {
    return kInvalidParameters;
  }
  const SettingInfo* info = FindSetting(subgroup, args[3]);
  if (info == nullptr || !store.Contains(command->scheme)) return kDoesNotExist;
  if (!info->choices.empty() && command->index >= info->choices.size()) {
    return "The value is not within the range of the power setting.\n";
  }
  command->key = KeyOf(*info);
  return nullptr;
}

}  // namespace

WString DisplayText(const WString& text, const StringResolver& resolve) {
  if (text.empty() || text[0] != u'@') return text;
  std::size_t idAt = text.find(u",-");
  if (idAt == WString::npos) return text;
  std::size_t fallbackAt = text.find(u',', idAt + 2);
  WString file = text.substr(1, idAt - 1);
  WString idText =
      text.substr(idAt + 2, fallbackAt == WString::npos ? WString::npos : fallbackAt - idAt - 2);
  std::uint32_t id = 0;
  if (resolve && ParseIndex(idText, &id)) {
    if (auto resolved = resolve(file, id)) return *resolved;
  }
  return fallbackAt == WString::npos ? WString() : text.substr(fallbackAt + 1);
}

Outcome Execute(SchemeStore& store, WStringView arguments, const StringResolver& resolve) {
  std::list<WString> unquoted;
  const std::vector<WStringView> args = Tokens(arguments, unquoted);
  if (args.empty()) return Fail(kInvalidParameters);
  const WStringView option = args[0];

  if (IsOption(option, {u"list", u"l"})) {
    Outcome outcome{0,
                    "\nExisting Power Schemes (* Active)\n"
                    "-----------------------------------\n"};
    for (const auto& scheme : store.Schemes()) {
      outcome.output += SchemeLine(scheme, resolve);
      if (EqualsIgnoringCase(scheme.guid, store.Active())) outcome.output += " *";
      outcome.output += "\n";
    }
    return outcome;
  }
  if (IsOption(option, {u"query", u"q"})) return Query(store, args, resolve, false);
  if (IsOption(option, {u"qh"})) return Query(store, args, resolve, true);
  if (IsOption(option, {u"getactivescheme"})) {
    auto active = store.Find(store.Active());
    if (!active) return Fail(kDoesNotExist);
    return Outcome{0, SchemeLine(*active, resolve) + "\n"};
  }

  if (IsOption(option, {u"duplicatescheme"})) {
    if (args.size() < 2 || args.size() > 3) return Fail(kInvalidParameters);
    WString source = SchemeGuid(store, args[1]);
    auto scheme = source.empty() ? std::nullopt : store.Find(source);
    if (!scheme) return Fail(kDoesNotExist);
    WString target = args.size() == 3 ? SchemeGuid(store, args[2]) : NewSchemeGuid(store);
    if (target.empty()) return Fail(kInvalidParameters);
    if (store.Contains(target)) {
      return Fail(
          "Unable to create a new power scheme. Cannot create a file when that file "
          "already exists.\n");
    }
    scheme->guid = target;
    store.Put(*scheme);
    return Outcome{0, SchemeLine(*scheme, resolve) + "\n"};
  }

  if (IsOption(option, {u"changename"})) {
    if (args.size() < 3 || args.size() > 4) return Fail(kInvalidParameters);
    WString guid = SchemeGuid(store, args[1]);
    auto scheme = guid.empty() ? std::nullopt : store.Find(guid);
    if (!scheme) return Fail(kDoesNotExist);
    scheme->name = WString(args[2]);
    if (args.size() == 4) scheme->description = WString(args[3]);
    store.Put(*scheme);
    return Outcome{};
  }

  if (IsOption(option, {u"setacvalueindex", u"setdcvalueindex"})) {
    ValueCommand command;
    if (const char* error = ParseValueCommand(store, args, &command)) return Fail(error);
    (void)store.SetValue(command.scheme, command.key, command.ac, command.index);
    return Outcome{};
  }

  if (IsOption(option, {u"setactive", u"s"})) {
    if (args.size() != 2) return Fail(kInvalidParameters);
    WString guid = SchemeGuid(store, args[1]);
    if (guid.empty() || !store.Contains(guid)) return Fail(kDoesNotExist);
    store.SetActive(guid);
    return Outcome{};
  }

  if (IsOption(option, {u"delete", u"d"})) {
    if (args.size() != 2) return Fail(kInvalidParameters);
    WString guid = SchemeGuid(store, args[1]);
    if (guid.empty() || !store.Contains(guid)) return Fail(kDoesNotExist);
    if (EqualsIgnoringCase(guid, store.Active())) {
      return Fail("Unable to delete the active power scheme.\n");
    }
    store.Remove(guid);
    return Outcome{};
  }

  if (IsOption(option, {u"replacedefaultschemes"})) {
    if (args.size() != 1) return Fail(kInvalidParameters);
    store.SetDefaultSchemes(store.Guids());
    return Outcome{};
  }

  if (IsOption(option, {u"hibernate", u"h"})) {
    std::uint32_t percent = 0;
    if (args.size() == 3 && IsOption(args[1], {u"size"}) && ParseIndex(args[2], &percent) &&
        percent <= 100) {
      store.SetHibernateFileSize(percent);
      return Outcome{};
    }
    return Fail(kInvalidParameters);
  }

  return Fail(kInvalidParameters);
}

}  // namespace presetra::powercfg
