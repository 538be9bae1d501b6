#include "addressbook/subscription_text.h"

#include "contacts/text_decoding.h"

#include <filesystem>

namespace candlewatcher {

bool IsUrl(const std::string& location) {
    return EqualsIgnoringCase(location.substr(0, 7), "http://") ||
           EqualsIgnoringCase(location.substr(0, 8), "https://");
}

std::string FolderLocation(const std::string& folder) {
    std::filesystem::path path = std::filesystem::absolute(folder).lexically_normal();
    if (!path.has_filename() && path.has_parent_path() && path != path.root_path())
        path = path.parent_path();
    return path.string();
}

std::string Described(const Subscription& subscription) {
    return "\"" + subscription.Name + "\" (" + subscription.Location + ")";
}

std::string BirthdayCount(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " birthday" : " birthdays");
}

std::string LocalTime(std::time_t moment) {
    if (moment == 0)
        return "never";
    std::tm local{};
    localtime_r(&moment, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

} // namespace candlewatcher
