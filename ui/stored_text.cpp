#include "ui/stored_text.h"

#include "data/display_text.h"

#include <QStringDecoder>

namespace candlewatcher {

QString DisplayText(const std::string& storedBytes) {
    // Read as the core reads stored bytes, so the windows, the command line and the calendar show a name
    // alike. The core already dropped a byte order mark at the start; one more belongs to the text itself.
    const std::string text = DisplayUtf8(storedBytes);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return utf8.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
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
