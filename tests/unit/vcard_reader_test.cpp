#include "contacts/vcard_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace candlewatcher {
namespace {

using namespace std::string_literals;

// A contact as one line: the name, "@" and the birthday with its parameters, "!charset" when unreadable.
std::string Describe(const std::vector<VCardContact>& contacts) {
    std::string text;
    for (const VCardContact& contact : contacts) {
        text += contact.Name;
        if (!contact.UnreadableNameCharset.empty())
            text += "!" + contact.UnreadableNameCharset;
        if (const auto& birthday = contact.Birthday) {
            text += " @" + birthday->Value;
            if (!birthday->ValueType.empty())
                text += " value=" + birthday->ValueType;
            if (birthday->OmittedYear)
                text += " omit=" + std::to_string(*birthday->OmittedYear);
        }
        text += "\n";
    }
    return text;
}

struct ReaderCase {
    const char* What;
    std::string Bytes;
    std::string Expected; // Describe() of the contacts
};

void PrintTo(const ReaderCase& c, std::ostream* out) {
    *out << c.What;
}

class VCardReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(VCardReaderTest, FindsNamesAndBirthdays) {
    EXPECT_EQ(Describe(ReadVCards(GetParam().Bytes)), GetParam().Expected) << GetParam().What;
}

const std::string kPhoto = "PHOTO;ENCODING=b;TYPE=JPEG:" + std::string(4 << 20, 'A') + "\r\n" + [] {
    std::string folded;
    for (int i = 0; i < 20000; ++i)
        folded += " QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVo=\r\n";
    return folded;
}();

INSTANTIATE_TEST_SUITE_P(
    Files, VCardReaderTest,
    ::testing::Values(
        ReaderCase{"3.0, CR LF",
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann Lee\r\nBDAY:1990-07-15\r\nEND:VCARD\r\n",
                   "Ann Lee @1990-07-15\n"},
        ReaderCase{"4.0, LF, byte order mark, two cards, lower case, groups",
                   "\xEF\xBB\xBF"
                   "begin:vcard\nversion:4.0\nfn:Ann\nitem1.bday;value=date:--0715\nend:vcard\n"
                   "BEGIN:VCARD\nVERSION:4.0\nFN:Tom\nBDAY;VALUE=text:circa 1800\nEND:VCARD",
                   "Ann @--0715 value=date\nTom @circa 1800 value=text\n"},
        ReaderCase{"CR alone ends lines", "BEGIN:VCARD\rFN:Ann\rBDAY:19900715\rEND:VCARD\r",
                   "Ann @19900715\n"},
        ReaderCase{"2.1 quoted-printable UTF-8 with soft line breaks, both parameter forms",
                   "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Zo=C3=AB "
                   "=\r\nM=C3=BC=\r\n"
                   "ller\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN;QUOTED-PRINTABLE;CHARSET=UTF-8:=C3=85berg;=C3="
                   "85sa\r\nEND:VCARD\r\n",
                   "Zo\xC3\xAB M\xC3\xBCller\n\xC3\x85sa \xC3\x85"
                   "berg\n"},
        ReaderCase{"2.1 Latin-1, Windows-1252 and a set only iconv knows",
                   "BEGIN:VCARD\nFN;CHARSET=ISO-8859-1;QUOTED-PRINTABLE:M=FCller\nEND:VCARD\n"
                   "BEGIN:VCARD\nFN;CHARSET=windows-1252:\x80 \xE9\nEND:VCARD\n"
                   "BEGIN:VCARD\nFN;CHARSET=KOI8-R:\xE1\xCE\xCE\nEND:VCARD\n",
                   "M\xC3\xBCller\n\xE2\x82\xAC \xC3\xA9\n\xD0\x90\xD0\xBD\xD0\xBD\n"},
        ReaderCase{
            "no set and invalid UTF-8 is Windows-1252; an unknown set gives no name, N stands in",
            "BEGIN:VCARD\nFN:Jos\xE9\nEND:VCARD\nBEGIN:VCARD\nFN;CHARSET=X-MADE-UP:Zo\xC3\xAB\nEND:VCARD\n"
            "BEGIN:VCARD\nFN;CHARSET=X-MADE-UP:Zo\xEB\nBDAY:2000-01-01\nEND:VCARD\n"
            "BEGIN:VCARD\nFN;CHARSET=../../etc:\xEB\nN:Lee;Ann\nEND:VCARD\n",
            "Jos\xC3\xA9\n!X-MADE-UP\n!X-MADE-UP @2000-01-01\nAnn Lee\n"},
        ReaderCase{
            "known sets in other spellings, UTF-16 through quoted-printable, a real set not on the list",
            "BEGIN:VCARD\nFN;CHARSET=iso_8859-2:\xB1\nEND:VCARD\nBEGIN:VCARD\nFN;CHARSET=cp1251:\xC0\nEND:"
            "VCARD\n"
            "BEGIN:VCARD\nFN;CHARSET=UTF-16LE;ENCODING=QUOTED-PRINTABLE:A=00n=00n=00\nEND:VCARD\n"
            "BEGIN:VCARD\nFN;CHARSET=UTF-7:+AKM-\nEND:VCARD\n",
            "\xC4\x85\n\xD0\x90\nAnn\n!UTF-7\n"},
        ReaderCase{"escape sequences, C1 controls and tabs in a name go with what they carry",
                   "BEGIN:VCARD\nFN:Ann\x1B[31mRed\x1B[0m Lee\nEND:VCARD\n"
                   "BEGIN:VCARD\nFN:\x1B]0;title\x07"
                   "Ann\x1B]2;x\x1B\\\nEND:VCARD\n"
                   "BEGIN:VCARD\nFN:Ann\xC2\x9B"
                   "2JLee\xC2\x85\nEND:VCARD\nBEGIN:VCARD\nFN:Ann\t\tLee\x1B(B\x1B\nEND:VCARD\n",
                   "Ann Red Lee\nAnn\nAnn Lee\nAnn Lee\n"},
        ReaderCase{"folding drops the blank, in 2.1 keeps it",
                   "BEGIN:VCARD\nVERSION:3.0\nFN:Maximilian\n  von \n\tStein\nBDAY:1990-\n 07-15\nEND:VCARD\n"
                   "BEGIN:VCARD\nVERSION:2.1\nFN:Maximilian\n von\nEND:VCARD\n",
                   "Maximilian von Stein @1990-07-15\nMaximilian von\n"},
        ReaderCase{"escapes, line breaks in the name, N as Given Family",
                   "BEGIN:VCARD\nFN:Lee\\, Ann\\nJr.\\;\\\\x \\q\nEND:VCARD\n"
                   "BEGIN:VCARD\nFN:\nN:Lee;Ann\\,Marie,Jo;X;Dr.;\nEND:VCARD\n"
                   "BEGIN:VCARD\nN: ;Cher;;;\nEND:VCARD\nBEGIN:VCARD\nN:Lee\nEND:VCARD\n"
                   "BEGIN:VCARD\nFN;QUOTED-PRINTABLE:Ann =0D=0A Lee=0D=0A\nEND:VCARD\n",
                   "Lee, Ann Jr.;\\x \\q\nAnn,Marie Jo Lee\nCher\nLee\nAnn Lee\n"},
        ReaderCase{"the first of several, the Apple year, a quoted colon in a parameter",
                   "BEGIN:VCARD\nFN:One\nFN:Two\nBDAY;X-APPLE-OMIT-YEAR=1604;X-L=\"a:b\":1604-07-15\nBDAY:"
                   "2000-01-01\n"
                   "END:VCARD\n",
                   "One @1604-07-15 omit=1604\n"},
        ReaderCase{"a card without END ends at the next BEGIN or at the end of the file",
                   "BEGIN:VCARD\nFN:Ann\nBDAY:1990-07-15\nBEGIN:VCARD\nFN:Tom\nBDAY:--1231",
                   "Ann @1990-07-15\nTom @--1231\n"},
        ReaderCase{
            "lines outside cards, junk, NUL and control characters",
            "FN:Outside\nBDAY:2000-01-01\n\x01\xFF\xFE:\n;;::\nBEGIN:VCARD\nno colon here\n:\nFN:Ann\0Lee\x7F\n"s +
                "BDAY:\x89PNG\nEND:VCARD\nFN:After\nEND:VCARD\n",
            "Ann Lee @\x89PNG\n"},
        ReaderCase{"a huge photo, folded and on one line, passed over",
                   "BEGIN:VCARD\nVERSION:3.0\nFN:Ann\n" + kPhoto + "BDAY:1990-07-15\nEND:VCARD\n",
                   "Ann @1990-07-15\n"},
        ReaderCase{
            "a quoted-printable photo whose soft break hides a property",
            "BEGIN:VCARD\nFN:Ann\nNOTE;QUOTED-PRINTABLE:x=\nBDAY:1111-11-11\nBDAY:1990-07-15\nEND:VCARD\n",
            "Ann @1990-07-15\n"},
        ReaderCase{"empty input and a card with nothing", "", ""},
        ReaderCase{"only BEGIN", "BEGIN:VCARD", "\n"}));

// The size of each card, which the import weighs against its limit: BEGIN to END, line ends included.
TEST(VCardReaderSize, CountsEachCardsOwnBytes) {
    const std::string first = "BEGIN:VCARD\r\nFN:A\r\nEND:VCARD\r\n";                      // 30 bytes
    const std::string second = "BEGIN:VCARD\nFN:B\nNOTE:" + std::string(1000, 'n') + "\n"; // no END
    std::vector<std::size_t> sizes;
    for (const VCardContact& contact : ReadVCards("junk\n" + first + "\n" + second + "BEGIN:VCARD\nFN:C"))
        sizes.push_back(contact.CardBytes);
    EXPECT_EQ(sizes, (std::vector<std::size_t>{30, second.size() + 0, 16}));
}

} // namespace
} // namespace candlewatcher
