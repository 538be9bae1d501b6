#include "contacts/vcard_reader.h"

#include "contacts/plain_text.h"
#include "contacts/text_decoding.h"
#include "contacts/vcard_lines.h"
#include "contacts/vcard_property.h"

#include <charconv>

namespace candlewatcher {

namespace {

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsWanted(std::string_view name) {
    for (std::string_view wanted : {"BEGIN", "END", "VERSION", "FN", "N", "BDAY"})
        if (EqualsIgnoringCase(name, wanted))
            return true;
    return false;
}

// The values of one component of a structured value, unescaped and joined by blanks.
std::string JoinedValues(std::string_view component) {
    std::string joined;
    for (std::string_view value : SplitUnescaped(component, ',')) {
        std::string text = Unescape(value);
        if (TrimBlanks(text).empty())
            continue;
        if (!joined.empty())
            joined += ' ';
        joined += TrimBlanks(text);
    }
    return joined;
}

// Collects what one card says while its lines are read.
class CardBuilder {
public:
    // vCard 2.1 keeps the blank that starts a folded line as part of the value.
    bool KeepsFoldBlank() const { return m_version21; }

    void Take(const VCardProperty& property) {
        const VCardParameters parameters = ReadParameters(property.Parameters);
        if (EqualsIgnoringCase(property.Name, "VERSION")) {
            m_version21 = TrimBlanks(property.Value) == "2.1";
        } else if (EqualsIgnoringCase(property.Name, "FN")) {
            if (m_formattedName.empty())
                if (std::optional<std::string> text = DecodedText(property.Value, parameters))
                    m_formattedName = SingleLine(Unescape(*text));
        } else if (EqualsIgnoringCase(property.Name, "N")) {
            if (m_structuredName.empty())
                if (std::optional<std::string> text = DecodedText(property.Value, parameters))
                    m_structuredName = GivenAndFamilyName(*text);
        } else if (EqualsIgnoringCase(property.Name, "BDAY")) {
            if (!m_birthday)
                m_birthday = ReadBirthday(property.Value, parameters);
        }
    }

    explicit CardBuilder(std::size_t start)
        : m_start(start) {}

    // end: how far into the file the card's last line ends.
    VCardContact Finish(std::size_t end) {
        VCardContact contact;
        contact.CardBytes = end - m_start;
        contact.Name = !m_formattedName.empty() ? std::move(m_formattedName) : std::move(m_structuredName);
        if (contact.Name.empty())
            contact.UnreadableNameCharset = std::move(m_unreadableCharset);
        contact.Birthday = std::move(m_birthday);
        return contact;
    }

private:
    std::optional<std::string> DecodedText(std::string_view value, const VCardParameters& parameters) {
        std::optional<std::string> text =
            DecodeCharset(parameters.QuotedPrintable ? DecodeQuotedPrintable(value) : std::string(value),
                          parameters.Charset);
        if (!text && m_unreadableCharset.empty())
            m_unreadableCharset = std::string(parameters.Charset);
        return text;
    }

    // N is Family;Given;Additional;Prefix;Suffix; the name shown is "Given Family".
    static std::string GivenAndFamilyName(std::string_view value) {
        const std::vector<std::string_view> components = SplitUnescaped(value, ';');
        std::string name = components.size() > 1 ? JoinedValues(components[1]) : std::string();
        const std::string family = JoinedValues(components[0]);
        if (!name.empty() && !family.empty())
            name += ' ';
        name += family;
        return SingleLine(name);
    }

    static VCardBirthday ReadBirthday(std::string_view value, const VCardParameters& parameters) {
        VCardBirthday birthday;
        const std::string decoded =
            Unescape(parameters.QuotedPrintable ? DecodeQuotedPrintable(value) : std::string(value));
        birthday.Value = TrimBlanks(decoded);
        birthday.ValueType = parameters.ValueType;
        birthday.CalendarScale = parameters.CalendarScale;
        const std::string_view omit = TrimBlanks(parameters.OmitYear);
        int year = 0;
        auto [end, error] = std::from_chars(omit.data(), omit.data() + omit.size(), year);
        if (error == std::errc() && end == omit.data() + omit.size() && !omit.empty())
            birthday.OmittedYear = year;
        return birthday;
    }

    std::size_t m_start; // how far into the file the BEGIN line starts
    bool m_version21 = false;
    std::string m_formattedName;
    std::string m_structuredName;
    std::string m_unreadableCharset;
    std::optional<VCardBirthday> m_birthday;
};

} // namespace

std::vector<VCardContact> ReadVCards(std::string_view bytes) {
    std::vector<VCardContact> contacts;
    std::optional<CardBuilder> card;
    VCardLineReader lines(bytes);
    auto wanted = [](std::string_view firstLine) {
        return IsWanted(PropertyName(firstLine));
    };
    while (!lines.AtEnd()) {
        const std::size_t lineStart = lines.Offset();
        const std::optional<VCardProperty> property =
            SplitProperty(lines.Next(card && card->KeepsFoldBlank(), wanted));
        if (!property)
            continue;
        const bool vcardValue = EqualsIgnoringCase(TrimBlanks(property->Value), "VCARD");
        if (vcardValue && EqualsIgnoringCase(property->Name, "BEGIN")) {
            if (card)
                contacts.push_back(card->Finish(lineStart));
            card.emplace(lineStart);
        } else if (vcardValue && EqualsIgnoringCase(property->Name, "END")) {
            if (card)
                contacts.push_back(card->Finish(lines.Offset()));
            card.reset();
        } else if (card) {
            card->Take(*property);
        }
    }
    if (card)
        contacts.push_back(card->Finish(lines.Offset()));
    return contacts;
}

} // namespace candlewatcher
