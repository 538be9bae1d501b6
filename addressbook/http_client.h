#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace candlewatcher {

struct HttpSettings {
    std::string User; // empty: no sign-in
    std::string Password;
    // How long connecting may take, and how long an answer may stall without a byte arriving.
    std::chrono::milliseconds Timeout{30000};
};

struct HttpRequest {
    std::string Method;
    std::string Url;
    std::string Body;
    std::string ContentType; // sent with a body
    std::string Depth;       // the WebDAV Depth header; empty: none
};

struct HttpResponse {
    long Status = 0;
    std::string Body;
    std::string Url; // the URL that answered, after the redirects followed
};

// One connection's worth of HTTP(S) through libcurl, reused from request to request. Certificates are
// checked against the system's trusted ones plus those of the PEM file that SSL_CERT_FILE names. Basic
// and Digest sign-in. Redirects are followed only within the same server (scheme, host and port), so
// that credentials never travel elsewhere. Throws AddressBookError when no HTTP answer came (connection,
// TLS, time-out); an HTTP error status is the caller's to judge.
class HttpClient {
public:
    explicit HttpClient(HttpSettings settings);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HttpResponse Send(const HttpRequest& request);

    // Requests sent so far, each redirect counted, for a sync's statistics.
    std::size_t RequestCount() const { return m_requestCount; }

private:
    HttpResponse SendOnce(const HttpRequest& request);

    HttpSettings m_settings;
    std::string m_extraCertificates; // the file SSL_CERT_FILE names, or empty
    void* m_curl;
    std::size_t m_requestCount = 0;
};

// The URL a reference (absolute, or relative as in an href or a Location header) stands for, seen from
// base. Throws AddressBookError when either cannot be read as a URL.
std::string ResolveUrl(const std::string& base, const std::string& reference);

// "scheme://host:port" of a URL, with the scheme's default port filled in.
std::string UrlOrigin(const std::string& url);

} // namespace candlewatcher
