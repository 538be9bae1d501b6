#pragma once

#include <QString>

#include <optional>
#include <stdexcept>

namespace candlewatcher {

// Why a password could not be stored, found or forgotten; what() is meant for the user and says "no
// keyring" when no Secret Service answers.
class KeyringError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Where the windows keep the passwords of address books: the desktop's Secret Service in the program, a
// stand-in in the tests. Each call returns once done.
class Keyring {
public:
    virtual ~Keyring() = default;
    virtual void Store(const QString& key, const QString& password) = 0;
    virtual std::optional<QString> Find(const QString& key) = 0; // nullopt: nothing kept under the key
    virtual void Forget(const QString& key) = 0;
};

// The key of an address book's password: its URL and the user who signs in there.
inline QString KeyringKey(const QString& location, const QString& user) {
    return user + QLatin1Char('@') + location;
}

} // namespace candlewatcher
