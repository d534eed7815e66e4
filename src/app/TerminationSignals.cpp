#include "TerminationSignals.h"

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include "JobWorker.h"

namespace {

int signalPipe[2] = {-1, -1};
constexpr int HandledSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int number) {
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0)
        return;
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::takeSignal);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : HandledSignals)
        sigaction(number, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    for (const int number : HandledSignals)
        std::signal(number, SIG_DFL);
    for (int& end : signalPipe) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

void TerminationSignals::takeSignal() {
    unsigned char byte = 0;
    while (::read(signalPipe[0], &byte, 1) == 1)
        if (signal_ == 0)
            signal_ = byte;
    if (signal_ == 0)
        return;
    JobWorker::stopAll();
    quitWhenJobsEnded();
}

// Waits in the event loop, not blocking it: a job may need the windows' thread to end.
void TerminationSignals::quitWhenJobsEnded() {
    if (JobWorker::runningCount() > 0) {
        QTimer::singleShot(20, this, &TerminationSignals::quitWhenJobsEnded);
        return;
    }
    exitStatus_ = 128 + signal_;
    signal_ = 0;
    QCoreApplication::exit(exitStatus_);
}
