#pragma once

#include <stdexcept>

namespace candlewatcher {

// Anything that keeps an address book from being added, read or synced; what() is one line for a user,
// naming the address book (its URL or folder) and the reason. Never holds a password.
class AddressBookError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// No HTTP answer came: the server cannot be reached, its TLS is refused, or it did not answer in time.
class ConnectionError : public AddressBookError {
    using AddressBookError::AddressBookError;
};

// The server refused the user name or password: trying elsewhere on it will not help.
class SignInError : public AddressBookError {
    using AddressBookError::AddressBookError;
};

} // namespace candlewatcher
