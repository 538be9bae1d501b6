#include "desktop/secret_service_keyring.h"

#include "ui/translated.h"

#include <QEventLoop>

#include <qt6keychain/keychain.h>

namespace candlewatcher {

namespace {

const QString kService = QStringLiteral("Candlewatcher");

// Runs the job to its end. A job answers through the event loop; the windows wait for it as they wait for
// a modal dialog, so the user cannot start a second one meanwhile.
void RunToEnd(QKeychain::Job& job) {
    job.setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
}

// Access the user refused is a refusal; anything else means no Secret Service could do the work.
[[noreturn]] void Fail(const QKeychain::Job& job) {
    const QString reason = job.errorString();
    if (job.error() == QKeychain::AccessDeniedByUser || job.error() == QKeychain::AccessDenied) {
        // TRANSLATORS: %1 is the keyring's own reason.
        throw KeyringError(QTr("the keyring refused access: %1").arg(reason).toStdString());
    }
    // TRANSLATORS: the Secret Service is the desktop's keyring service; %1 is the reason it could not be
    // used.
    throw KeyringError(QTr("no keyring (Secret Service) is available: %1").arg(reason).toStdString());
}

} // namespace

void SecretServiceKeyring::Store(const QString& key, const QString& password) {
    QKeychain::WritePasswordJob job(kService);
    job.setKey(key);
    job.setTextData(password);
    RunToEnd(job);
    if (job.error() != QKeychain::NoError) {
        Fail(job);
    }
}

std::optional<QString> SecretServiceKeyring::Find(const QString& key) {
    QKeychain::ReadPasswordJob job(kService);
    job.setKey(key);
    RunToEnd(job);
    if (job.error() == QKeychain::EntryNotFound) {
        return std::nullopt;
    }
    if (job.error() != QKeychain::NoError) {
        Fail(job);
    }
    return job.textData();
}

void SecretServiceKeyring::Forget(const QString& key) {
    QKeychain::DeletePasswordJob job(kService);
    job.setKey(key);
    RunToEnd(job);
    if (job.error() != QKeychain::NoError && job.error() != QKeychain::EntryNotFound) {
        Fail(job);
    }
}

} // namespace candlewatcher
