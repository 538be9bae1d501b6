#include "notify/notified_names.h"

#include "data/hex_digits.h"
#include "data/iso_date.h"

#include <algorithm>
#include <optional>

namespace candlewatcher {

namespace {

constexpr std::string_view kApp = "Candlewatcher";
constexpr std::string_view kSection = "Notifications";
constexpr std::string_view kNotified = "Notified";
constexpr std::string_view kEnabled = "Enabled";

bool KeptAsIs(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

void AppendEncoded(std::string& text, std::string_view name) {
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (KeptAsIs(byte)) {
            text.push_back(c);
        } else {
            text.push_back('%');
            AppendHex(text, byte, 2, HexLetters::Upper);
        }
    }
}

std::optional<std::string> Decoded(std::string_view encoded) {
    std::string name;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const auto byte = static_cast<unsigned char>(encoded[i]);
        if (KeptAsIs(byte)) {
            name.push_back(encoded[i]);
            continue;
        }
        const int escaped = byte == '%' ? HexByteAt(encoded, i + 1) : -1;
        if (escaped < 0) {
            return std::nullopt;
        }
        name.push_back(static_cast<char>(escaped));
        i += 2;
    }
    return name;
}

} // namespace

std::string EncodeNotifiedNames(const NotifiedNames& notified) {
    std::string text = IsoDateText(notified.Day);
    for (const std::string& name : notified.Names) {
        text.push_back('/'); // before each name, so that an empty name is one too
        AppendEncoded(text, name);
    }
    return text;
}

NotifiedNames DecodeNotifiedNames(std::string_view text) {
    const std::optional<CalendarDate> day = ReadIsoDate(text.substr(0, 10), 1);
    if (!day) {
        return {};
    }
    NotifiedNames notified{*day, {}};
    std::string_view rest = text.substr(10);
    while (!rest.empty()) {
        if (rest.front() != '/') {
            return {};
        }
        rest.remove_prefix(1);
        const std::size_t end = std::min(rest.find('/'), rest.size());
        std::optional<std::string> name = Decoded(rest.substr(0, end));
        if (!name) {
            return {};
        }
        notified.Names.push_back(std::move(*name));
        rest.remove_prefix(end);
    }
    return notified;
}

NotifiedNames LoadNotifiedNames(const SettingsStore& store) {
    return DecodeNotifiedNames(store.GetSetting(kApp, kSection, kNotified, ""));
}

void SaveNotifiedNames(SettingsStore& store, const NotifiedNames& notified) {
    store.SaveSetting(kApp, kSection, kNotified, EncodeNotifiedNames(notified));
}

bool LoadNotificationsEnabled(const SettingsStore& store) {
    return store.GetSetting(kApp, kSection, kEnabled, "1") != "0";
}

void SaveNotificationsEnabled(SettingsStore& store, bool enabled) {
    store.SaveSetting(kApp, kSection, kEnabled, enabled ? "1" : "0");
}

} // namespace candlewatcher
