#include "addressbook/subscription_text.h"

#include "contacts/text_decoding.h"
#include "data/translation.h"

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
    // TRANSLATORS: an address book as the lines about it name it; %1 is its name, %2 its URL or folder.
    return FillIn(Tr("\"%1\" (%2)"), {subscription.Name, subscription.Location});
}

std::string BirthdayCount(std::size_t count) {
    return FillIn(TrN("%1 birthday", "%1 birthdays", count), {std::to_string(count)});
}

std::string LocalTime(std::time_t moment) {
    if (moment == 0)
        // TRANSLATORS: when an address book was last synced, for one that never was.
        return Tr("never");
    std::tm local{};
    localtime_r(&moment, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

} // namespace candlewatcher
