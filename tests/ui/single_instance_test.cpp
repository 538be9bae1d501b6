// One program per data directory: racing starts, a holder still starting, a lock left by a killed
// program, and directories named in different ways. Starts are real processes (this test program run
// with --child), because a start that hands over blocks until the holder's event loop answers.
#include "ui/single_instance.h"

#include "ui/abstract_socket.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <sys/socket.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

using namespace candlewatcher;

namespace {

// Exit codes of a child start.
constexpr int HandedOverCode = 0;
constexpr int PrimaryCode = 10;
constexpr int NoAnswerCode = 2;
constexpr int GaveUpWaitingCode = 3;

// --child DIRECTORY REQUESTS DELAY_MS: claims DIRECTORY. When it becomes the holder it prints "primary",
// sleeps DELAY_MS without an event loop (a program still building its windows), then answers starts
// until REQUESTS have asked and exits with PrimaryCode; REQUESTS -1 holds until killed.
int RunChild(const QString& directory, int requests, int delayMs) {
    SingleInstance instance(directory.toStdString());
    switch (instance.Claim()) {
    case SingleInstance::Outcome::HandedOver:
        return HandedOverCode;
    case SingleInstance::Outcome::NoAnswer:
        return NoAnswerCode;
    case SingleInstance::Outcome::Primary:
        break;
    }
    std::puts("primary");
    std::fflush(stdout);
    QThread::msleep(static_cast<unsigned long>(delayMs));
    if (requests == 0) {
        return PrimaryCode;
    }
    int received = 0;
    QObject::connect(&instance, &SingleInstance::OpenRequested, [&received, requests] {
        if (++received == requests) {
            QCoreApplication::exit(PrimaryCode);
        }
    });
    QTimer::singleShot(30000, [] { QCoreApplication::exit(GaveUpWaitingCode); });
    return QCoreApplication::exec();
}

std::unique_ptr<QProcess> StartChild(const QString& directory, int requests, int delayMs) {
    auto child = std::make_unique<QProcess>();
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--child"), directory, QString::number(requests), QString::number(delayMs)});
    return child;
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // Lock files go to this test's own runtime directory, never the user's.
        QVERIFY(m_runtime.isValid());
        QVERIFY(
            QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    }

    void racingStartsLeaveOneHolder_data() {
        QTest::addColumn<int>("starts");
        QTest::addColumn<int>("holderDelayMs");
        QTest::newRow("two at once") << 2 << 0;
        QTest::newRow("five at once") << 5 << 0;
        QTest::newRow("holder still starting") << 3 << 1500;
    }

    void racingStartsLeaveOneHolder() {
        QFETCH(int, starts);
        QFETCH(int, holderDelayMs);
        QTemporaryDir data;
        std::vector<std::unique_ptr<QProcess>> children;
        for (int i = 0; i < starts; ++i) {
            children.push_back(StartChild(data.path(), starts - 1, holderDelayMs));
        }
        int holders = 0;
        int handedOver = 0;
        for (auto& child : children) {
            QVERIFY2(child->waitForFinished(40000), "a start hung");
            QCOMPARE(child->exitStatus(), QProcess::NormalExit);
            const int code = child->exitCode();
            QVERIFY2(code == PrimaryCode || code == HandedOverCode,
                     qPrintable(QStringLiteral("unexpected exit code %1").arg(code)));
            (code == PrimaryCode ? holders : handedOver) += 1;
        }
        QCOMPARE(holders, 1);
        QCOMPARE(handedOver, starts - 1);
    }

    void lockOfKilledProgramIsTakenOver() {
        QTemporaryDir data;
        auto killed = StartChild(data.path(), -1, 0);
        QVERIFY(killed->waitForReadyRead(10000));
        QCOMPARE(killed->readLine().trimmed(), QByteArray("primary"));
        SingleInstance instance(data.path().toStdString());
        QVERIFY(QFile::exists(instance.LockFilePath()));
        QCOMPARE(::kill(static_cast<pid_t>(killed->processId()), SIGKILL), 0);
        QVERIFY(killed->waitForFinished(5000));
        QVERIFY2(QFile::exists(instance.LockFilePath()), "a killed program leaves its lock file behind");

        QCOMPARE(instance.Claim(3000), SingleInstance::Outcome::Primary);

        // And the new holder answers the next start.
        QSignalSpy opened(&instance, &SingleInstance::OpenRequested);
        auto next = StartChild(data.path(), 0, 0);
        QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(next->state() == QProcess::NotRunning, 10000);
        QCOMPARE(next->exitCode(), HandedOverCode);
    }

    void holderWhoseLockFileWasDeletedStillAnswers() {
        QTemporaryDir data;
        SingleInstance holder(data.path().toStdString());
        QCOMPARE(holder.Claim(1000), SingleInstance::Outcome::Primary);
        QVERIFY(QFile::remove(holder.LockFilePath()));
        QSignalSpy opened(&holder, &SingleInstance::OpenRequested);

        auto child = StartChild(data.path(), 0, 0);
        QTRY_VERIFY_WITH_TIMEOUT(child->state() == QProcess::NotRunning, 15000);
        QCOMPARE(child->exitCode(), HandedOverCode);
        QCOMPARE(opened.count(), 1);
    }

    void directoryIsOneWhateverItsSpelling_data() {
        QTest::addColumn<QString>("spelling"); // relative to the holder's directory
        QTest::addColumn<int>("expectedCode");
        QTest::newRow("same") << QString() << HandedOverCode;
        QTest::newRow("trailing separator") << QStringLiteral("/") << HandedOverCode;
        QTest::newRow("dot segments") << QStringLiteral("/sub/../.") << HandedOverCode;
        QTest::newRow("through a link") << QStringLiteral("/sub/up") << HandedOverCode;
        QTest::newRow("another directory") << QStringLiteral("/sub") << PrimaryCode;
    }

    void directoryIsOneWhateverItsSpelling() {
        QFETCH(QString, spelling);
        QFETCH(int, expectedCode);
        QTemporaryDir data;
        QVERIFY(QDir(data.path()).mkdir(QStringLiteral("sub")));
        QVERIFY(QFile::link(data.path(), data.path() + QStringLiteral("/sub/up")));
        SingleInstance holder(data.path().toStdString());
        QCOMPARE(holder.Claim(1000), SingleInstance::Outcome::Primary);
        QSignalSpy opened(&holder, &SingleInstance::OpenRequested);

        auto child = StartChild(data.path() + spelling, 0, 0);
        QTRY_VERIFY_WITH_TIMEOUT(child->state() == QProcess::NotRunning, 15000);
        QCOMPARE(child->exitCode(), expectedCode);
        QCOMPARE(opened.count(), expectedCode == HandedOverCode ? 1 : 0);
    }

    // Whatever else connects to the socket gets no answer and opens nothing, and the holder goes on
    // answering starts of the program; a request may come in pieces.
    void onlyTheOpenRequestIsAnswered_data() {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second"); // sent once the holder has read the first
        QTest::addColumn<bool>("endStream");    // then the test closes its side; otherwise the holder must
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("open") << QByteArray("open\n") << QByteArray() << false << QByteArray("ok\n");
        QTest::newRow("open in two pieces")
            << QByteArray("op") << QByteArray("en\n") << false << QByteArray("ok\n");
        QTest::newRow("another line") << QByteArray("close\n") << QByteArray() << false << QByteArray();
        QTest::newRow("a long line") << QByteArray(100, 'x') + '\n' << QByteArray() << false << QByteArray();
        QTest::newRow("a long run without a line end")
            << QByteArray(70, ' ') << QByteArray() << false << QByteArray();
        QTest::newRow("open without a line end")
            << QByteArray("open") << QByteArray() << true << QByteArray();
        QTest::newRow("nothing") << QByteArray() << QByteArray() << true << QByteArray();
    }

    void onlyTheOpenRequestIsAnswered() {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(bool, endStream);
        QFETCH(QByteArray, answer);
        QTemporaryDir data;
        SingleInstance holder(data.path().toStdString());
        QCOMPARE(holder.Claim(1000), SingleInstance::Outcome::Primary);
        QSignalSpy opened(&holder, &SingleInstance::OpenRequested);

        const QDeadlineTimer deadline(5000);
        const SocketDescriptor peer = ConnectAbstract(holder.ServerName().toStdString(), deadline);
        QVERIFY(peer.Valid());
        QVERIFY(SendAll(peer.Get(), first.toStdString(), deadline));
        QCoreApplication::processEvents();
        QVERIFY(SendAll(peer.Get(), second.toStdString(), deadline));
        if (endStream) {
            QCOMPARE(::shutdown(peer.Get(), SHUT_WR), 0);
        }
        std::string received;
        bool open = true;
        QTRY_VERIFY(!(open = ReadAvailable(peer.Get(), received)) ||
                    received.find('\n') != std::string::npos);
        QCOMPARE(QByteArray::fromStdString(received), answer);
        QCOMPARE(opened.count(), answer.isEmpty() ? 0 : 1);

        auto child = StartChild(data.path(), 0, 0);
        QTRY_VERIFY_WITH_TIMEOUT(child->state() == QProcess::NotRunning, 15000);
        QCOMPARE(child->exitCode(), HandedOverCode);
        QCOMPARE(opened.count(), answer.isEmpty() ? 1 : 2);
    }

private:
    QTemporaryDir m_runtime;
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc == 5 && std::strcmp(argv[1], "--child") == 0) {
        return RunChild(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    }
    SingleInstanceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "single_instance_test.moc"
