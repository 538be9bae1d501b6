#include "radicale_server.h"

#include "addressbook/http_client.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace candlewatcher::testing_support {

namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A socket bound to a free loopback port; the port through port.
int BoundSocket(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot bind a loopback port");
    port = ntohs(address.sin_port);
    return fd;
}

bool Answers(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = Loopback(port);
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

} // namespace

RadicaleServer::RadicaleServer(const std::filesystem::path& folder, const std::filesystem::path& certificate,
                               const std::filesystem::path& key)
    : m_folder(folder)
    , m_tls(!certificate.empty()) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "users") << "ann:" << kRadicalePassword << "\n";
    ::close(BoundSocket(m_port));
    std::vector<std::string> arguments{"radicale",
                                       "--config",
                                       "",
                                       "--server-hosts",
                                       "127.0.0.1:" + std::to_string(m_port),
                                       "--auth-type",
                                       "htpasswd",
                                       "--auth-htpasswd-filename",
                                       (folder / "users").string(),
                                       "--auth-htpasswd-encryption",
                                       "plain",
                                       "--auth-delay",
                                       "0",
                                       "--rights-type",
                                       "owner_only",
                                       "--storage-filesystem-folder",
                                       (folder / "storage").string(),
                                       "--logging-level",
                                       "warning"};
    if (m_tls)
        arguments.insert(arguments.end(),
                         {"--ssl", "--certificate", certificate.string(), "--key", key.string()});
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string log = (folder / "radicale.log").string();
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    const int spawned = ::posix_spawnp(&m_pid, "radicale", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("cannot start radicale");
    // Waits for the port, not for a time; a server that ends early is reported at once.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!Answers(m_port)) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            throw std::runtime_error("radicale ended at start; see " + log);
        }
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("radicale did not open its port; see " + log);
        ::poll(nullptr, 0, 20);
    }
}

RadicaleServer::~RadicaleServer() {
    Stop();
}

std::string RadicaleServer::Root() const {
    return std::string(m_tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(m_port) + "/";
}

void RadicaleServer::Stop() {
    if (m_pid < 0)
        return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}

void RadicaleServer::Expect(const std::string& method, const std::string& url, const std::string& body,
                            const std::string& contentType, long status) const {
    HttpClient client(HttpSettings{"ann", kRadicalePassword, std::chrono::seconds(30)});
    const HttpResponse response = client.Send(HttpRequest{method, url, body, contentType, {}});
    if (response.Status != status)
        throw std::runtime_error(method + " " + url + " answered " + std::to_string(response.Status));
}

void RadicaleServer::MakeBook(const std::string& book, const std::string& displayName) const {
    Expect("MKCOL", BookUrl(book),
           R"(<d:mkcol xmlns:d="DAV:" xmlns:card="urn:ietf:params:xml:ns:carddav"><d:set><d:prop>)"
           R"(<d:resourcetype><d:collection/><card:addressbook/></d:resourcetype><d:displayname>)" +
               displayName + "</d:displayname></d:prop></d:set></d:mkcol>",
           "application/xml", 201);
}

void RadicaleServer::PutCard(const std::string& book, const std::string& id, const std::string& name,
                             const std::string& birthday) const {
    std::string card =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + id + "\r\nFN:" + name + "\r\nN:" + name + ";;;;\r\n";
    if (!birthday.empty())
        card += "BDAY:" + birthday + "\r\n";
    card += "END:VCARD\r\n";
    HttpClient client(HttpSettings{"ann", kRadicalePassword, std::chrono::seconds(30)});
    const long status =
        client.Send(HttpRequest{"PUT", BookUrl(book) + id + ".vcf", card, "text/vcard", {}}).Status;
    if (status != 201 && status != 204)
        throw std::runtime_error("PUT " + id + " answered " + std::to_string(status));
}

void RadicaleServer::DeleteCard(const std::string& book, const std::string& id) const {
    Expect("DELETE", BookUrl(book) + id + ".vcf", {}, {}, 200);
}

SilentServer::SilentServer() {
    m_socket = BoundSocket(m_port);
    if (::listen(m_socket, 8) != 0)
        throw std::runtime_error("cannot listen on a loopback port");
}

SilentServer::~SilentServer() {
    ::close(m_socket);
}

std::string SilentServer::Url() const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/";
}

void MakeTestCertificates(const std::filesystem::path& folder) {
    const std::string f = "'" + folder.string() + "/";
    const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    Run("openssl req -x509" + key + " -keyout " + f + "ca.key' -out " + f +
        "ca.pem' -days 2 -subj '/CN=Candlewatcher test CA' 2>/dev/null");
    Run("openssl req" + key + " -keyout " + f + "server.key' -out " + f +
        "server.csr' -subj '/CN=127.0.0.1' 2>/dev/null");
    std::ofstream(folder / "san.ext") << "subjectAltName=IP:127.0.0.1\n";
    Run("openssl x509 -req -in " + f + "server.csr' -CA " + f + "ca.pem' -CAkey " + f +
        "ca.key' -CAcreateserial -out " + f + "server.pem' -days 2 -extfile " + f + "san.ext' 2>/dev/null");
}

} // namespace candlewatcher::testing_support
