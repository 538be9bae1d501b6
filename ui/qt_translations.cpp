#include "ui/translated.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace candlewatcher {

void UseQtTranslations(const std::filesystem::path& catalogues) {
    // QCoreApplication sets the locale from the environment, which may put the messages category back
    // to C; the program's catalogues are bound again after it.
    ReloadTranslations(catalogues);
    static QTranslator* installed = nullptr;
    if (installed != nullptr) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const std::string& language : ChosenLanguages()) {
        // de_DE.UTF-8@euro -> qtbase_de_DE, which QTranslator shortens to qtbase_de when need be.
        const QString name =
            QString::fromStdString(language).section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(QStringLiteral("qtbase_") + name, folder)) {
            installed = translator.release();
            QCoreApplication::installTranslator(installed);
            return;
        }
    }
}

} // namespace candlewatcher
