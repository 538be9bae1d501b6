#include "addressbook/http_client.h"

#include "addressbook/address_book_error.h"
#include "data/translation.h"

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <cstdlib>
#include <memory>
#include <mutex>

namespace candlewatcher {

namespace {

// No address book answer comes near this; a larger one is refused rather than read into memory.
constexpr std::size_t kLargestAnswer = std::size_t(512) << 20;
constexpr int kMostRedirects = 5;

struct UrlHandle {
    CURLU* Handle = curl_url();
    ~UrlHandle() { curl_url_cleanup(Handle); }
};

std::string UrlPart(CURLU* url, CURLUPart part, unsigned flags) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, flags) != CURLUE_OK)
        return {};
    std::string copy = text;
    curl_free(text);
    return copy;
}

struct ReceivedBody {
    std::string Bytes;
    bool TooLarge = false;
};

// Ends a transfer that has moved no byte for the time-out. libcurl's own low-speed limit counts whole
// seconds and, measured here, overshoots by several.
struct StallWatch {
    std::chrono::milliseconds Timeout;
    curl_off_t Moved = -1;
    std::chrono::steady_clock::time_point Since = std::chrono::steady_clock::now();
    bool Stalled = false;
};

int WatchProgress(void* userData, curl_off_t downloadTotal, curl_off_t downloaded, curl_off_t uploadTotal,
                  curl_off_t uploaded) {
    (void)downloadTotal;
    (void)uploadTotal;
    auto* watch = static_cast<StallWatch*>(userData);
    const auto now = std::chrono::steady_clock::now();
    if (downloaded + uploaded != watch->Moved) {
        watch->Moved = downloaded + uploaded;
        watch->Since = now;
        return 0;
    }
    watch->Stalled = now - watch->Since >= watch->Timeout;
    return watch->Stalled ? 1 : 0;
}

size_t Receive(char* data, size_t size, size_t count, void* userData) {
    auto* body = static_cast<ReceivedBody*>(userData);
    if (body->Bytes.size() + size * count > kLargestAnswer) {
        body->TooLarge = true;
        return 0;
    }
    body->Bytes.append(data, size * count);
    return size * count;
}

// curl's own CA file replaces rather than adds, so the extra file is loaded into the store that already
// holds the system's certificates.
CURLcode AddExtraCertificates(CURL*, void* sslContext, void* userData) {
    const auto* file = static_cast<const std::string*>(userData);
    X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslContext));
    return X509_STORE_load_file(store, file->c_str()) == 1 ? CURLE_OK : CURLE_SSL_CACERT_BADFILE;
}

// Why a request failed that had no answer in time, with the time to a tenth of a second.
std::string NoAnswerWithin(std::chrono::milliseconds timeout) {
    const auto tenths = static_cast<unsigned long>((timeout.count() + 50) / 100);
    const std::string whole = std::to_string(tenths / 10);
    if (tenths % 10 != 0)
        // TRANSLATORS: %1 is a time in seconds with one decimal, e.g. 2.5.
        return FillIn(Tr("no answer within %1 seconds"), {whole + "." + std::to_string(tenths % 10)});
    return FillIn(TrN("no answer within %1 second", "no answer within %1 seconds", tenths / 10), {whole});
}

bool IsRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

std::string ResolveUrl(const std::string& base, const std::string& reference) {
    UrlHandle url;
    if (curl_url_set(url.Handle, CURLUPART_URL, base.c_str(), 0) != CURLUE_OK ||
        curl_url_set(url.Handle, CURLUPART_URL, reference.c_str(), 0) != CURLUE_OK)
        throw AddressBookError(reference + ": " + Tr("not a URL"));
    // curl writes the signed-in user and password into the URLs it resolves; they must never reach a
    // URL that is shown or kept.
    curl_url_set(url.Handle, CURLUPART_USER, nullptr, 0);
    curl_url_set(url.Handle, CURLUPART_PASSWORD, nullptr, 0);
    curl_url_set(url.Handle, CURLUPART_OPTIONS, nullptr, 0);
    return UrlPart(url.Handle, CURLUPART_URL, 0);
}

std::string UrlOrigin(const std::string& url) {
    UrlHandle handle;
    if (curl_url_set(handle.Handle, CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        throw AddressBookError(url + ": " + Tr("not a URL"));
    return UrlPart(handle.Handle, CURLUPART_SCHEME, 0) + "://" + UrlPart(handle.Handle, CURLUPART_HOST, 0) +
           ":" + UrlPart(handle.Handle, CURLUPART_PORT, CURLU_DEFAULT_PORT);
}

HttpClient::HttpClient(HttpSettings settings)
    : m_settings(std::move(settings)) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    m_curl = curl_easy_init();
    if (m_curl == nullptr)
        throw AddressBookError(Tr("cannot start an HTTP connection"));
    if (const char* file = std::getenv("SSL_CERT_FILE"); file != nullptr && *file != '\0')
        m_extraCertificates = file;
}

HttpClient::~HttpClient() {
    curl_easy_cleanup(static_cast<CURL*>(m_curl));
}

HttpResponse HttpClient::Send(const HttpRequest& request) {
    HttpRequest current = request;
    const std::string origin = UrlOrigin(request.Url);
    for (int redirects = 0;; ++redirects) {
        HttpResponse response = SendOnce(current);
        if (!IsRedirect(response.Status) || response.Url.empty())
            return response;
        if (redirects == kMostRedirects)
            throw AddressBookError(request.Url + ": " + Tr("too many redirects"));
        if (UrlOrigin(response.Url) != origin)
            throw AddressBookError(request.Url + ": " +
                                   // TRANSLATORS: %1 is the URL the server sent the request on to.
                                   FillIn(Tr("redirected to another server (%1)"), {response.Url}));
        current.Url = response.Url;
    }
}

HttpResponse HttpClient::SendOnce(const HttpRequest& request) {
    CURL* curl = static_cast<CURL*>(m_curl);
    curl_easy_reset(curl);
    ++m_requestCount;

    ReceivedBody body;
    char errorText[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(curl, CURLOPT_URL, request.Url.c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.Method.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Receive);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_settings.Timeout.count()));
    StallWatch watch{m_settings.Timeout};
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, WatchProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &watch);
    if (!m_extraCertificates.empty()) {
        // A cached store would be handed to the next connection without passing through the callback.
        curl_easy_setopt(curl, CURLOPT_CA_CACHE_TIMEOUT, 0L);
        curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, AddExtraCertificates);
        curl_easy_setopt(curl, CURLOPT_SSL_CTX_DATA, &m_extraCertificates);
    }
    if (!m_settings.User.empty()) {
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
        curl_easy_setopt(curl, CURLOPT_USERNAME, m_settings.User.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, m_settings.Password.c_str());
    }

    struct HeaderList {
        curl_slist* List = nullptr;
        ~HeaderList() { curl_slist_free_all(List); }
        void Add(const std::string& line) { List = curl_slist_append(List, line.c_str()); }
    } headers;
    if (!request.Depth.empty())
        headers.Add("Depth: " + request.Depth);
    if (!request.Body.empty() || request.Method == "PUT") {
        headers.Add("Content-Type: " + request.ContentType);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.Body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.Body.size()));
    }
    // Without this curl waits a second for "100 Continue" before sending a larger body.
    headers.Add("Expect:");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.List);

    const CURLcode result = curl_easy_perform(curl);
    if (result != CURLE_OK) {
        const std::string detail = errorText[0] != '\0' ? errorText : curl_easy_strerror(result);
        if (result == CURLE_OPERATION_TIMEDOUT || (result == CURLE_ABORTED_BY_CALLBACK && watch.Stalled))
            throw ConnectionError(request.Url + ": " + NoAnswerWithin(m_settings.Timeout));
        switch (result) {
        case CURLE_PEER_FAILED_VERIFICATION:
            throw ConnectionError(
                request.Url + ": " +
                // TRANSLATORS: %1 is the TLS library's own account of the refusal.
                FillIn(Tr("the server's certificate is not trusted, TLS refused (%1)"), {detail}));
        case CURLE_SSL_CACERT_BADFILE:
            throw ConnectionError(
                request.Url + ": " +
                (m_extraCertificates.empty()
                     ? std::string(Tr("the certificate file of the system cannot be read for TLS"))
                     // TRANSLATORS: %1 is the file of certificates SSL_CERT_FILE names.
                     : FillIn(Tr("the certificate file \"%1\" cannot be read for TLS"),
                              {m_extraCertificates})));
        case CURLE_WRITE_ERROR:
            if (body.TooLarge)
                throw ConnectionError(request.Url + ": " + Tr("the answer is too large"));
            [[fallthrough]];
        default:
            throw ConnectionError(request.Url + ": " + detail);
        }
    }
    HttpResponse response;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.Status);
    response.Body = std::move(body.Bytes);
    response.Url = request.Url;
    if (IsRedirect(response.Status)) {
        // Where to go next; empty for a redirect that names no place, which the caller then judges.
        char* location = nullptr;
        curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location);
        response.Url = location != nullptr ? ResolveUrl(request.Url, location) : "";
    }
    return response;
}

} // namespace candlewatcher
