#pragma once

#include "desktop/keyring.h"

namespace candlewatcher {

// The desktop's Secret Service (GNOME Keyring, KWallet and the like) under the service "Candlewatcher". It
// never falls back to a file: without a Secret Service every call fails with "no keyring".
class SecretServiceKeyring : public Keyring {
public:
    void Store(const QString& key, const QString& password) override;
    std::optional<QString> Find(const QString& key) override;
    void Forget(const QString& key) override;
};

} // namespace candlewatcher
