// Times a first sync and later ones of an address book of 1,000 cards against a local radicale, the
// way --add-address-book and --sync do them. Prints the median of several runs of each.
#include "addressbook/commands.h"
#include "addressbook/stored_files.h"
#include "tests/addressbook/radicale_server.h"
#include "tests/unit/data_files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <vector>

using namespace candlewatcher;
using namespace candlewatcher::testing_support;

namespace {

constexpr int kCards = 1000;
constexpr int kRuns = 7;
constexpr int kChanged = 10;

double MedianMilliseconds(const std::function<void()>& prepare, const std::function<void()>& measured) {
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        prepare();
        const auto start = std::chrono::steady_clock::now();
        measured();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::string Card(int i, int year) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:card" + std::to_string(i) + "\r\nFN:Person " +
           std::to_string(i) + "\r\nN:" + std::to_string(i) + ";Person;;;\r\nEMAIL:person" +
           std::to_string(i) + "@example.org\r\nBDAY:" + std::to_string(year) + "-0" +
           std::to_string(1 + i % 9) + "-1" + std::to_string(i % 9) + "\r\nEND:VCARD\r\n";
}

} // namespace

int main() {
    TemporaryDirectory dir;
    // The cards go straight into radicale's storage before it starts: a thousand PUTs would time radicale.
    const std::filesystem::path book =
        dir.Path() / "radicale" / "storage" / "collection-root" / "ann" / "bench";
    std::filesystem::create_directories(book);
    std::ofstream(book / ".Radicale.props") << R"({"tag": "VADDRESSBOOK", "D:displayname": "Bench"})";
    for (int i = 0; i < kCards; ++i)
        std::ofstream(book / ("card" + std::to_string(i) + ".vcf")) << Card(i, 1950 + i % 60);
    RadicaleServer server(dir.Path() / "radicale");
    WriteBytes(dir.Path() / "password", kRadicalePassword);

    const AddressBookPaths paths{dir.Path() / "config" / "addressbooks", dir.Path() / "cache"};
    const AddOptions ann{"ann", "cat '" + (dir.Path() / "password").string() + "'"};
    const std::string url = server.BookUrl("bench");
    auto addWithin = [&](std::chrono::seconds timeout) {
        AddAddressBook(paths, url, ann, timeout, 0);
    };
    auto add = [&] {
        addWithin(std::chrono::seconds(30));
    };
    auto forget = [&] {
        if (!ReadSubscriptions(paths.SubscriptionFile).empty())
            RemoveAddressBook(paths, url);
    };
    // radicale builds its own caches on the first read, which takes it tens of seconds on a busy machine.
    addWithin(std::chrono::seconds(300));
    SyncReport report;
    auto sync = [&] {
        report = SyncAddressBooks(paths, std::chrono::seconds(30), 0);
    };
    int round = 0;
    auto change = [&] {
        ++round;
        for (int i = 0; i < kChanged; ++i)
            server.PutCard("bench", "card" + std::to_string(i * 97), "Person " + std::to_string(i * 97),
                           std::to_string(1900 + round) + "-03-04");
    };

    const double first = MedianMilliseconds(forget, add);
    const double unchanged = MedianMilliseconds([] {}, sync);
    const std::size_t unchangedRequests = report.Statistics.Requests;
    const double changed = MedianMilliseconds(change, sync);
    std::printf("%d cards, medians of %d runs\n", kCards, kRuns);
    std::printf("first sync (--add-address-book):   %8.1f ms\n", first);
    std::printf("later sync, nothing changed:       %8.1f ms  (%zu request)\n", unchanged, unchangedRequests);
    std::printf("later sync, %d cards changed:      %8.1f ms  (%zu requests, %zu cards fetched)\n", kChanged,
                changed, report.Statistics.Requests, report.Statistics.CardsFetched);
    return 0;
}
