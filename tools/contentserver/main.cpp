// Content server for tests and demos: serves a directory over HTTP/1.1 and can misbehave on request.

#include "ContentRoot.h"
#include "Fault.h"
#include "FaultTable.h"
#include "HttpText.h"
#include "RequestLog.h"
#include "Server.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int stopPipe[2] = { -1, -1 };

void requestStop(int)
{
    int savedErrno = errno;
    [[maybe_unused]] ssize_t ignored = write(stopPipe[1], "x", 1);
    errno = savedErrno;
}

void printUsage(FILE* out)
{
    fprintf(out,
        "usage: tabrazo-contentserver --root DIR [--bind ADDRESS] [--port N] [--fault PATH=MODE]... [--log FILE]\n"
        "  --port 0 picks a free port; the chosen one is printed as \"listening on ADDRESS:PORT\".\n"
        "  MODE: nolength, cut[:N], 404, 500, stall[:N], slow, slow:BYTES_PER_SECOND, reset[:N], none,\n"
        "        silent (never answers), endless[:TEXT] (no length, no end), chunked[:TEXT] (endless chunks),\n"
        "        body:N[:TEXT] (N bytes of TEXT repeated; the file need not exist),\n"
        "        norange (Range ignored: the whole file with 200)\n"
        "  cut, stall and reset break off half way through the answer (stall after at most 1 KiB);\n"
        "  with :N only the first N requests misbehave. MODE+norange adds norange to MODE.\n"
        "  Files are served with byte ranges (Range, If-Range).\n"
        "  At run time: GET /__fault?path=/file&mode=MODE, GET /__requests[?clear=1],\n"
        "  GET /__sent?path=/file[&clear=1] (body bytes sent for the path)\n");
}

int usageError(const std::string& message)
{
    fprintf(stderr, "tabrazo-contentserver: %s\n", message.c_str());
    printUsage(stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string root;
    std::string bindAddress = "127.0.0.1";
    int port = 8790;
    std::string logFile;
    FaultTable faults;

    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            printUsage(stdout);
            return 0;
        }
        if (i + 1 >= argc)
            return usageError("missing value for " + arg);
        std::string value = argv[++i];
        if (arg == "--root") {
            root = value;
        } else if (arg == "--bind") {
            bindAddress = value;
        } else if (arg == "--port") {
            char* end = nullptr;
            long number = strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || number < 0 || number > 65535)
                return usageError("bad port " + value);
            port = static_cast<int>(number);
        } else if (arg == "--log") {
            logFile = value;
        } else if (arg == "--fault") {
            // Split at the last '=': modes never contain one, file names might.
            size_t eq = value.rfind('=');
            if (eq == std::string::npos)
                return usageError("--fault needs PATH=MODE");
            std::optional<std::string> path = HttpText::percentDecode(value.substr(0, eq));
            std::optional<Fault> fault = Fault::parse(value.substr(eq + 1));
            if (!path || path->empty() || path->front() != '/')
                return usageError("bad fault path in " + value);
            if (!fault)
                return usageError("unknown fault mode in " + value);
            faults.set(*path, *fault);
        } else {
            return usageError("unknown option " + arg);
        }
    }
    struct stat info;
    if (root.empty())
        return usageError("--root is required");
    if (stat(root.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return usageError("not a directory: " + root);

    RequestLog requestLog;
    if (!logFile.empty() && !requestLog.openFile(logFile)) {
        fprintf(stderr, "tabrazo-contentserver: cannot open log %s: %s\n", logFile.c_str(), strerror(errno));
        return 1;
    }

    if (pipe2(stopPipe, O_CLOEXEC) != 0)
        return 1;
    fcntl(stopPipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction action { };
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    ContentRoot contentRoot(root);
    Server server(contentRoot, faults, requestLog);
    std::string error;
    if (!server.listen(bindAddress, port, error)) {
        fprintf(stderr, "tabrazo-contentserver: %s\n", error.c_str());
        return 1;
    }
    printf("listening on %s\n", server.boundAddress().c_str());
    fflush(stdout);

    if (!server.run(stopPipe[0])) {
        // Some thread still holds a connection; leave without running destructors under it.
        fflush(nullptr);
        _exit(0);
    }
    return 0;
}
