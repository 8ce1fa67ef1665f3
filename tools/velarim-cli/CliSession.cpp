#include "CliSession.h"

#include "CliLink.h"
#include "device/Clock.h"

CliSession::~CliSession() {
    // Nothing of the session may run once the link is closing.
    session.reset();
    if (link)
        link->CloseAll();
}

bool OpenCliSession(CliContext& context, CliSession& into, QString& error, bool withLed) {
    Clock& clock = SystemClock::instance();
    into.ports = context.ports.makeProvider(clock, error);
    if (!into.ports)
        return false;
    into.executor = std::make_unique<WorkerPortExecutor>();
    into.link =
        std::make_unique<DeviceLink>(*into.ports, clock, *into.executor, context.ports.settleMs);
    into.timers = std::make_unique<QtTimerHost>([&into](int id) {
        if (into.session)
            into.session->OnTimer(id);
    });
    into.session = std::make_unique<AcquisitionSession>(*into.link, into.data, *into.timers);
    AcquisitionSession& session = *into.session;
    WaitFor([&](std::function<void()> done) {
        session.operations().Run([&, done](OperationQueue::Finished finished) {
            session.Detect([&, done, finished](int n) {
                into.count = n;
                auto end = [finished, done] {
                    finished();
                    done();
                };
                if (withLed)
                    into.link->FindAndConnectLedUnit(end);
                else
                    end();
            });
        });
    });
    return true;
}
