#pragma once

#include <filesystem>
#include <string>

#include <sys/types.h>

namespace candlewatcher::testing_support {

// A private radicale on a free loopback port, storing in a folder of its own, signing in "ann" with
// kRadicalePassword. Started by the constructor, which returns once the port answers; stopped by Stop()
// or the destructor.
inline constexpr const char* kRadicalePassword = "pw-7Kq2vX9";

class RadicaleServer {
public:
    // With certificate and key it speaks HTTPS only.
    explicit RadicaleServer(const std::filesystem::path& folder,
                            const std::filesystem::path& certificate = {},
                            const std::filesystem::path& key = {});
    ~RadicaleServer();
    RadicaleServer(const RadicaleServer&) = delete;
    RadicaleServer& operator=(const RadicaleServer&) = delete;

    std::string Root() const; // "http://127.0.0.1:PORT/"
    std::string BookUrl(const std::string& book) const { return Root() + "ann/" + book + "/"; }
    void Stop();

    // Set-up through the server's own HTTP interface: an address book, and cards put into it or deleted.
    void MakeBook(const std::string& book, const std::string& displayName) const;
    void PutCard(const std::string& book, const std::string& id, const std::string& name,
                 const std::string& birthday) const;
    void DeleteCard(const std::string& book, const std::string& id) const;

private:
    void Expect(const std::string& method, const std::string& url, const std::string& body,
                const std::string& contentType, long status) const;

    std::filesystem::path m_folder;
    bool m_tls;
    int m_port = 0;
    pid_t m_pid = -1;
};

// A port on 127.0.0.1 that takes connections (the kernel completes them) but never answers.
class SilentServer {
public:
    SilentServer();
    ~SilentServer();
    std::string Url() const;

private:
    int m_socket = -1;
    int m_port = 0;
};

// A test CA (ca.pem) and a certificate for 127.0.0.1 signed by it (server.pem, server.key), made by openssl.
void MakeTestCertificates(const std::filesystem::path& folder);

} // namespace candlewatcher::testing_support
