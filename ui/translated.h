#pragma once

#include "data/translation.h"

#include <QString>

#include <filesystem>

namespace candlewatcher {

// The windows' texts in the user's language: the catalogues' UTF-8 as a QString (see data/translation.h).
inline QString QTr(const char* english) {
    return QString::fromUtf8(Tr(english));
}
// A counted text; the caller fills in the count with arg().
inline QString QTrN(const char* singular, const char* plural, qsizetype count) {
    return QString::fromUtf8(TrN(singular, plural, static_cast<unsigned long>(count)));
}

// Chooses the language again now that Qt has set the locale, and adds Qt's own translations (the
// standard buttons, the file dialogs) for it. The program's catalogues come from `catalogues`, or where
// CatalogueFolder() finds them when it is empty.
void UseQtTranslations(const std::filesystem::path& catalogues = {});

} // namespace candlewatcher
