// r7716-cli notify-test: a test event through the channels of notify.txt, each outcome printed; and the
// notifications of a run (run).

#include "cli/Commands.h"

#include "common/Settings.h"
#include "notify/Channel.h"
#include "notify/Notifier.h"
#include "notify/NotifySettings.h"
#include "notify/SmtpCredentials.h"

#include <QFileInfo>
#include <QSysInfo>
#include <QTextStream>

namespace cli {

const char* const kNotifyTestHelp =
    "Usage: r7716-cli notify-test [--channel N]\n"
    "\n"
    "Sends one event \"notify-test\" through every channel of \"notify.txt\" (the file beside\n"
    "\"initial.txt\"), or through its N-th channel only (counted from 1 among the valid lines, as this\n"
    "command lists them), whatever the channel's events= filter, and prints the outcome of each: its\n"
    "number, its line, the channel and \"delivered\" or \"failed\" with the receiver's answer or the\n"
    "reason. Bad lines of the file, and a credentials file that others may read, are named first.\n"
    "Each channel is tried once, waiting at most 20 s; nothing is queued or retried. The desktop\n"
    "channel has no desktop here: its outcome says so (the window program shows it).\n"
    "\n"
    "Exit status 0 when every channel tried delivered the event; 1 when one failed or the file sets\n"
    "no channel; 64 for a wrong command line (N not a channel's number).\n";

namespace {

constexpr int kTryTimeout_ms = 20000;

}  // namespace

int notifyTest(const Invocation& call) {
    const NotifySettings settings = NotifySettings::read(NotifySettings::pathBeside(call.settings.path()));
    for (const QString& problem : settings.problems) call.err << kProgram << ": " << problem << '\n';
    const SmtpCredentials credentials = SmtpCredentials::read(SmtpCredentials::pathBeside(settings.path));
    if (!credentials.problem.isEmpty()) call.err << kProgram << ": " << credentials.problem << '\n';
    call.err.flush();
    if (settings.channels.isEmpty())
        return failure(call.err, QStringLiteral("%1 sets no channel.").arg(settings.path), kUnitError);
    int only = 0;
    if (call.options.has("--channel")) {
        bool ok = false;
        only = call.options.value("--channel").toInt(&ok);
        if (!ok || only < 1 || only > settings.channels.size())
            return failure(
                call.err,
                QStringLiteral("--channel takes a channel's number, 1 to %1.").arg(settings.channels.size()),
                kUsage);
    }
    NotifyEvent event = NotifyEvent::make(
        EventKind::NotifyTest,
        QStringLiteral("A test of the R7716 notifications from %1.").arg(QSysInfo::machineHostName()));
    bool allDelivered = true;
    for (int i = 0; i < settings.channels.size(); ++i) {
        if (only > 0 && i + 1 != only) continue;
        const ChannelSetting& setting = settings.channels[i];
        const DeliveryOutcome outcome =
            Channel::deliverNow(setting, event, nullptr, credentials, kTryTimeout_ms);
        allDelivered = allDelivered && outcome.delivered;
        call.out << i + 1 << "\tline " << setting.line << '\t' << field(setting.shown()) << '\t'
                 << (outcome.delivered ? "delivered" : "failed") << '\t' << field(outcome.detail) << '\n';
        call.out.flush();
    }
    return allDelivered ? kOk : kUnitError;
}

std::unique_ptr<Notifier> runNotifier(const Invocation& call) {
    const QString path = NotifySettings::pathBeside(call.settings.path());
    if (!QFileInfo::exists(path)) return nullptr;
    const NotifySettings settings = NotifySettings::read(path);
    for (const QString& problem : settings.problems) call.err << kProgram << ": " << problem << '\n';
    call.err.flush();
    return std::make_unique<Notifier>(settings, QFileInfo(path).absolutePath());
}

void finishNotifications(const Invocation& call, Notifier* notifier, int wait_ms) {
    if (!notifier || notifier->waitUntilDelivered(wait_ms)) return;
    call.err << kProgram << ": " << notifier->undelivered()
             << " notification(s) could not be delivered yet; they wait in \"" << notifier->queue().path()
             << "\" for the next program started here (see \"R7716-diag.log\").\n";
    call.err.flush();
}

}  // namespace cli
