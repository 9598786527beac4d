// Times reading and parsing a catalogue file against the usual alternative for the same bytes:
// iconv GBK -> UTF-8 plus a pugixml DOM parse, and measures the memory each needs.
//
// The catalogue is loaded once per start, into a fresh heap, so each sample runs in a forked child
// (page cache warm, heap and decoding tables cold). The second set of figures repeats both inside
// one process with the allocator told to keep what it has, so that they show the work itself
// without page faults; left alone, glibc returns some blocks to the system and not others, which
// favours whichever side happens to reuse its blocks.
//
// Memory, in a fresh process that has loaded a small file first (so that code and libraries paged in
// on first use do not count): peak is the high-water mark of the resident set during the sample
// above what it was before, the file's pages included whether copied or mapped; retained is the
// anonymous resident memory the result holds once it stands alone (input bytes and temporary
// buffers gone); heap is what the allocator has handed out for it.

#include "core/catalogue/CatalogueFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <pugixml.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Outcome {
    double ms;
    qsizetype items;
    qint64 peakBytes = 0;
    qint64 retainedBytes = 0;
    qint64 heapBytes = 0;
};

// Bytes the allocator has handed out and not taken back.
qint64 heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}

// A figure of /proc/self/status in bytes ("VmRSS", "VmHWM"); 0 when unreadable.
qint64 statusBytes(const char* key)
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    long long kilobytes = 0;
    const size_t keyLength = std::strlen(key);
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, key, keyLength) == 0 && line[keyLength] == ':') {
            std::sscanf(line + keyLength + 1, "%lld", &kilobytes);
            break;
        }
    }
    std::fclose(status);
    return kilobytes * 1024;
}

// Starts a new high-water mark at the current resident set.
void startMemory(qint64& heap, qint64& anonymous, qint64& resident)
{
    heap = heapInUse();
    const int fd = open("/proc/self/clear_refs", O_WRONLY);
    if (fd >= 0) {
        const ssize_t written = write(fd, "5", 1);
        (void)written;
        close(fd);
    }
    anonymous = statusBytes("RssAnon");
    resident = statusBytes("VmRSS");
}

// Peak counts every page, the file's included; what the result retains is anonymous memory.
void endMemory(Outcome& outcome, qint64 heap, qint64 anonymous, qint64 resident)
{
    outcome.heapBytes = heapInUse() - heap;
    outcome.peakBytes = statusBytes("VmHWM") - resident;
    outcome.retainedBytes = statusBytes("RssAnon") - anonymous;
}

Outcome readAndParse(const QString& path)
{
    qint64 heap = 0, anonymous = 0, resident = 0;
    startMemory(heap, anonymous, resident);
    QElapsedTimer timer;
    timer.start();
    const QVector<Category> categories = CatalogueFile::Read(path);
    Outcome outcome { timer.nsecsElapsed() / 1e6, 0 };
    endMemory(outcome, heap, anonymous, resident);
    for (const Category& category : categories)
        outcome.items += category.games.size() - 1;
    return outcome;
}

Outcome iconvAndPugixml(const QString& path)
{
    qint64 heap = 0, anonymous = 0, resident = 0;
    startMemory(heap, anonymous, resident);
    QElapsedTimer timer;
    timer.start();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return { 0, -1 };
    QByteArray bytes = file.readAll();

    iconv_t cd = iconv_open("UTF-8", "GBK");
    std::vector<char> utf8(size_t(bytes.size()) * 3 / 2 + 16);
    char* in = bytes.data();
    size_t inLeft = size_t(bytes.size());
    char* out = utf8.data();
    size_t outLeft = utf8.size();
    while (inLeft > 0 && iconv(cd, &in, &inLeft, &out, &outLeft) == size_t(-1)) {
        if (errno == E2BIG || outLeft == 0)
            break;
        // Skip what GBK cannot decode, as a lenient reader would.
        ++in;
        --inLeft;
        *out++ = '?';
        --outLeft;
    }
    iconv_close(cd);

    pugi::xml_document doc;
    const pugi::xml_parse_result result
        = doc.load_buffer(utf8.data(), size_t(out - utf8.data()), pugi::parse_default, pugi::encoding_utf8);
    Outcome outcome { timer.nsecsElapsed() / 1e6, -1 };
    // The document holds its own copy of the text: the input buffers are not part of the result.
    bytes = QByteArray();
    std::vector<char>().swap(utf8);
    endMemory(outcome, heap, anonymous, resident);
    if (result) {
        outcome.items = 0;
        for (const pugi::xml_node category : doc.document_element().children())
            outcome.items += std::distance(category.children().begin(), category.children().end());
    }
    return outcome;
}

// Runs one sample in a child process; a negative time when the child failed. With warmUp, the
// child first loads that (small) file, so that the sample's memory figures leave out the code and
// libraries paged in on first use.
Outcome inFreshProcess(Outcome (*sample)(const QString&), const QString& path, const QString& warmUp = {})
{
    int fds[2];
    if (pipe(fds) != 0)
        return { -1, -1 };
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (!warmUp.isEmpty())
            sample(warmUp);
        const Outcome outcome = sample(path);
        const ssize_t written = write(fds[1], &outcome, sizeof outcome);
        _exit(written == ssize_t(sizeof outcome) ? 0 : 1);
    }
    close(fds[1]);
    Outcome outcome { -1, -1 };
    if (pid < 0 || read(fds[0], &outcome, sizeof outcome) != ssize_t(sizeof outcome))
        outcome = { -1, -1 };
    close(fds[0]);
    if (pid > 0)
        waitpid(pid, nullptr, 0);
    return outcome;
}

struct Summary {
    double median, min, max;
};

Summary summarise(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    return { median, times.front(), times.back() };
}

double median(std::vector<double> values)
{
    return summarise(std::move(values)).median;
}

void report(const char* what, const std::vector<double>& ours, const std::vector<double>& theirs)
{
    const Summary a = summarise(ours);
    const Summary b = summarise(theirs);
    std::printf("%s\n", what);
    std::printf("  CatalogueFile::Read  median %8.2f ms  min %8.2f  max %8.2f\n", a.median, a.min, a.max);
    std::printf("  iconv+pugixml DOM    median %8.2f ms  min %8.2f  max %8.2f\n", b.median, b.min, b.max);
    std::printf("  ratio (ours / iconv+pugixml): %.2f\n", a.median / b.median);
}

struct Figures {
    qsizetype bytes = 0, games = 0;
    double freshMs = 0, keptMs = 0, peak = 0, retained = 0, heap = 0;
};

// Samples one file; false when a sample failed.
bool measure(const QString& path, int runs, Figures& figures)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return false;
    }
    // Into the page cache, without warming either decoder in this process, and through a small
    // buffer: a large block freed here would raise the allocator's mmap threshold in every child.
    const QByteArray start = file.read(64 * 1024);
    figures.bytes = start.size();
    for (QByteArray block; !(block = file.read(64 * 1024)).isEmpty();)
        figures.bytes += block.size();
    file.close();
    QTemporaryDir dir;
    const QString warmUp = dir.filePath(QStringLiteral("head.Dll"));
    QFile head(warmUp);
    if (!dir.isValid() || !head.open(QIODevice::WriteOnly) || head.write(start) < 0) {
        std::fprintf(stderr, "cannot write a temporary file\n");
        return false;
    }
    head.close();

    std::vector<double> ourTimes, theirTimes, ourPeaks, theirPeaks, ourKept, theirKept, ourHeap, theirHeap;
    Outcome ours {}, theirs {};
    // Interleaved, so that a noisy moment hurts both sides alike.
    for (int i = 0; i < runs; ++i) {
        ours = inFreshProcess(readAndParse, path);
        theirs = inFreshProcess(iconvAndPugixml, path);
        if (ours.ms < 0 || theirs.ms < 0) {
            std::fprintf(stderr, "a sample failed\n");
            return false;
        }
        ourTimes.push_back(ours.ms);
        theirTimes.push_back(theirs.ms);
    }
    // Memory is steadier than time: a few samples do.
    for (int i = 0; i < qMin(runs, 3); ++i) {
        const Outcome ours = inFreshProcess(readAndParse, path, warmUp);
        const Outcome theirs = inFreshProcess(iconvAndPugixml, path, warmUp);
        if (ours.ms < 0 || theirs.ms < 0) {
            std::fprintf(stderr, "a sample failed\n");
            return false;
        }
        ourPeaks.push_back(double(ours.peakBytes));
        theirPeaks.push_back(double(theirs.peakBytes));
        ourKept.push_back(double(ours.retainedBytes));
        theirKept.push_back(double(theirs.retainedBytes));
        ourHeap.push_back(double(ours.heapBytes));
        theirHeap.push_back(double(theirs.heapBytes));
    }
    figures.games = ours.items;
    std::printf("%s: %lld bytes, %lld games (pugixml: %lld elements below categories), %d runs\n", qPrintable(path),
        static_cast<long long>(figures.bytes), static_cast<long long>(ours.items), static_cast<long long>(theirs.items),
        runs);
    report("fresh process per sample (as at start-up):", ourTimes, theirTimes);
    figures.freshMs = median(ourTimes);
    figures.peak = median(ourPeaks);
    figures.retained = median(ourKept);
    figures.heap = median(ourHeap);
    const double mb = 1024 * 1024, size = double(figures.bytes);
    std::printf("memory, fresh process after a small load (medians; x = times the file's size):\n");
    std::printf("  CatalogueFile::Read  peak %7.1f MB (%.2fx)  retained %7.1f MB (%.2fx)  heap %7.1f MB (%.2fx)\n",
        figures.peak / mb, figures.peak / size, figures.retained / mb, figures.retained / size, figures.heap / mb,
        figures.heap / size);
    std::printf("  iconv+pugixml DOM    peak %7.1f MB (%.2fx)  retained %7.1f MB (%.2fx)  heap %7.1f MB (%.2fx)\n",
        median(theirPeaks) / mb, median(theirPeaks) / size, median(theirKept) / mb, median(theirKept) / size,
        median(theirHeap) / mb, median(theirHeap) / size);

    ourTimes.clear();
    theirTimes.clear();
    // Each side in a child of its own, so that neither inherits the other's heap.
    const auto repeated = [&](Outcome (*sample)(const QString&), std::vector<double>& times) {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        const pid_t pid = fork();
        if (pid == 0) {
            close(fds[0]);
            mallopt(M_MMAP_THRESHOLD, 1 << 30);
            mallopt(M_TRIM_THRESHOLD, 1 << 30);
            sample(path);
            bool ok = true;
            for (int i = 0; i < runs && ok; ++i) {
                const double ms = sample(path).ms;
                ok = write(fds[1], &ms, sizeof ms) == ssize_t(sizeof ms);
            }
            _exit(ok ? 0 : 1);
        }
        close(fds[1]);
        double ms = 0;
        while (pid > 0 && read(fds[0], &ms, sizeof ms) == ssize_t(sizeof ms))
            times.push_back(ms);
        close(fds[0]);
        if (pid > 0)
            waitpid(pid, nullptr, 0);
        return times.size() == size_t(runs);
    };
    if (!repeated(readAndParse, ourTimes) || !repeated(iconvAndPugixml, theirTimes)) {
        std::fprintf(stderr, "a sample failed\n");
        return false;
    }
    report("repeated in one process, heap kept (the work without page faults):", ourTimes, theirTimes);
    figures.keptMs = median(ourTimes);
    std::printf("\n");
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Generated catalogues past 32,767 games hold ids that do not fit; that is not news here.
    QLoggingCategory::setFilterRules(QStringLiteral("tabrazo.catalogue.debug=false"));
    QStringList args = app.arguments().mid(1);
    int runs = 15;
    if (args.size() >= 2 && args.first() == u"--runs") {
        runs = qMax(1, args.at(1).toInt());
        args = args.mid(2);
    }
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: bench_catalogue [--runs N] FILE...\n");
        return 2;
    }
    std::vector<Figures> all;
    for (const QString& path : args) {
        Figures figures;
        if (!measure(path, runs, figures))
            return 1;
        all.push_back(figures);
    }
    // Per game, the figures of a linear loader stay flat from the smallest file to the largest.
    std::printf("per game (CatalogueFile::Read):\n");
    std::printf("  %10s %12s %12s %12s %12s %12s %12s\n", "games", "file bytes", "fresh ns", "kept ns", "peak B",
        "retained B", "heap B");
    for (const Figures& f : all) {
        const double games = double(qMax<qsizetype>(1, f.games));
        std::printf("  %10lld %12.0f %12.0f %12.0f %12.0f %12.0f %12.0f\n", static_cast<long long>(f.games),
            double(f.bytes) / games, f.freshMs * 1e6 / games, f.keptMs * 1e6 / games, f.peak / games,
            f.retained / games, f.heap / games);
    }
    return 0;
}
