// tavik-switch-sim: the simulated switch console on a pseudo-terminal.
#include "platform/PortDiscovery.h"
#include "sim/CommandLine.h"
#include "sim/PtyServer.h"
#include "sim/ReplayServer.h"
#include "sim/StateJson.h"

#include <QFile>
#include <QSaveFile>

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <unistd.h>

namespace {

bool ReadState(const std::string& path, sim::Options& options, std::string& error) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) {
        error = path + ": " + f.errorString().toStdString();
        return false;
    }
    sim::SwitchState state = sim::FactoryState(options.modules);
    if (!sim::LoadStateJson(f.read(1 << 20), state, error)) {
        error = path + ": " + error;
        return false;
    }
    options.initial = state;
    return true;
}

void WriteState(const std::string& path, const sim::SwitchState& state) {
    QSaveFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::WriteOnly) || f.write(sim::DumpStateJson(state)) < 0 || !f.commit())
        std::fprintf(stderr, "tavik-switch-sim: cannot write %s\n", path.c_str());
}

int Replay(const std::string& file, const sigset_t& waited) {
    sim::ReplayServer server;
    std::string error;
    if (!server.start(file, error)) {
        std::fprintf(stderr, "tavik-switch-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("tavik-switch-sim: replaying %s on %s\n", file.c_str(),
                server.devicePath().c_str());
    std::fflush(stdout);
    const std::string announced = platform::AnnounceSimulator(server.devicePath());
    int sig = 0;
    while (sigwait(&waited, &sig) == 0 && sig == SIGUSR1) {
    }
    if (!announced.empty()) ::unlink(announced.c_str());
    server.stop();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    sim::CommandLine cl;
    std::string error;
    if (!sim::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), cl, error)) {
        std::fprintf(stderr, "tavik-switch-sim: %s\n%s", error.c_str(), sim::UsageText());
        return 2;
    }
    if (cl.help) {
        std::fputs(sim::UsageText(), stdout);
        return 0;
    }
    if (!cl.stateFile.empty() && !ReadState(cl.stateFile, cl.options, error)) {
        std::fprintf(stderr, "tavik-switch-sim: %s\n", error.c_str());
        return 2;
    }
    if (!cl.dumpFile.empty()) {
        const std::string path = cl.dumpFile;
        cl.options.onStored = [path](const sim::SwitchState& s) { WriteState(path, s); };
    }

    // Signals are taken by sigwait below; the server thread inherits the mask.
    sigset_t waited;
    sigemptyset(&waited);
    for (int s : {SIGINT, SIGTERM, SIGUSR1, SIGHUP})
        sigaddset(&waited, s);
    pthread_sigmask(SIG_BLOCK, &waited, nullptr);

    if (!cl.replayFile.empty()) return Replay(cl.replayFile, waited);

    sim::PtyServer server;
    if (!server.start(cl.options, cl.linkPath, &error)) {
        std::fprintf(stderr, "tavik-switch-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("tavik-switch-sim: serving on %s", server.devicePath().c_str());
    if (!cl.linkPath.empty()) std::printf(" (link %s)", cl.linkPath.c_str());
    std::printf("\n");
    std::fflush(stdout);
    // The configuration program lists every announced simulator in its
    // port box; a link left by a killed simulator is ignored there.
    const std::string announced = platform::AnnounceSimulator(server.devicePath());

    for (;;) {
        int sig = 0;
        if (sigwait(&waited, &sig) != 0) break;
        if (sig == SIGUSR1) {
            server.powerCycle();
            continue;
        }
        break;
    }
    const sim::SwitchState final = server.stateSnapshot();
    if (!announced.empty()) ::unlink(announced.c_str());
    server.stop();
    if (!cl.dumpFile.empty()) WriteState(cl.dumpFile, final);
    return 0;
}
