#include "ui/stored_text.h"

#include <QStringDecoder>

namespace candlewatcher {

namespace {

// Windows-1252 for the bytes 0x80 to 0x9F; the rest of the upper half is Latin-1. The five bytes that
// Windows-1252 leaves undefined are shown as the C1 controls of the same number, so no byte is lost.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString FromWindows1252(const std::string& bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (unsigned char byte : bytes) {
        if (byte >= 0x80 && byte < 0xA0) {
            text.append(QChar(Cp1252High[byte - 0x80]));
        } else {
            text.append(QChar(static_cast<char16_t>(byte)));
        }
    }
    return text;
}

} // namespace

QString DisplayText(const std::string& storedBytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(storedBytes.data(), static_cast<qsizetype>(storedBytes.size())));
    if (utf8.hasError()) {
        return FromWindows1252(storedBytes);
    }
    return text;
}

std::string StoredBytes(const QString& shownText, const std::string& originalBytes) {
    if (shownText == DisplayText(originalBytes)) {
        return originalBytes;
    }
    return TypedBytes(shownText);
}

std::string TypedBytes(const QString& text) {
    QString oneLine = text;
    oneLine.replace(QLatin1String("\r\n"), QLatin1String(" "));
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' '));
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return oneLine.toStdString();
}

} // namespace candlewatcher
