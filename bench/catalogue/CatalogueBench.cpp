// Times reading and parsing a catalogue file against the usual alternative for the same bytes:
// iconv GBK -> UTF-8 plus a pugixml DOM parse.
//
// The catalogue is loaded once per start, into a fresh heap, so each sample runs in a forked child
// (page cache warm, heap and decoding tables cold). The second set of figures repeats both inside
// one process with the allocator told to keep what it has, so that they show the work itself
// without page faults; left alone, glibc returns some blocks to the system and not others, which
// favours whichever side happens to reuse its blocks.

#include "core/catalogue/CatalogueFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <pugixml.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iconv.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Outcome {
    double ms;
    qsizetype items;
};

Outcome readAndParse(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    const QVector<Category> categories = CatalogueFile::Parse(CatalogueFile::ReadTextFile(path));
    const double ms = timer.nsecsElapsed() / 1e6;
    qsizetype games = 0;
    for (const Category& category : categories)
        games += category.games.size() - 1;
    return { ms, games };
}

Outcome iconvAndPugixml(const QString& path)
{
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
    const double ms = timer.nsecsElapsed() / 1e6;
    qsizetype games = 0;
    if (result) {
        for (const pugi::xml_node category : doc.document_element().children())
            games += std::distance(category.children().begin(), category.children().end());
    }
    return { ms, result ? games : -1 };
}

// Runs one sample in a child process; a negative time when the child failed.
Outcome inFreshProcess(Outcome (*sample)(const QString&), const QString& path)
{
    int fds[2];
    if (pipe(fds) != 0)
        return { -1, -1 };
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
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

} // namespace

void report(const char* what, const std::vector<double>& ours, const std::vector<double>& theirs)
{
    const Summary a = summarise(ours);
    const Summary b = summarise(theirs);
    std::printf("%s\n", what);
    std::printf("  ReadTextFile+Parse   median %8.2f ms  min %8.2f  max %8.2f\n", a.median, a.min, a.max);
    std::printf("  iconv+pugixml DOM    median %8.2f ms  min %8.2f  max %8.2f\n", b.median, b.min, b.max);
    std::printf("  ratio (ours / iconv+pugixml): %.2f\n", a.median / b.median);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_catalogue FILE [RUNS]\n");
        return 2;
    }
    const QString path = args.at(1);
    const int runs = args.size() > 2 ? qMax(1, args.at(2).toInt()) : 15;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 2;
    }
    // Into the page cache, without warming either decoder in this process.
    const qsizetype bytes = file.readAll().size();
    file.close();

    std::vector<double> ourTimes, theirTimes;
    Outcome ours {}, theirs {};
    // Interleaved, so that a noisy moment hurts both sides alike.
    for (int i = 0; i < runs; ++i) {
        ours = inFreshProcess(readAndParse, path);
        theirs = inFreshProcess(iconvAndPugixml, path);
        if (ours.ms < 0 || theirs.ms < 0) {
            std::fprintf(stderr, "a sample failed\n");
            return 1;
        }
        ourTimes.push_back(ours.ms);
        theirTimes.push_back(theirs.ms);
    }
    std::printf("%s: %lld bytes, %lld games (pugixml: %lld elements below categories), %d runs\n", qPrintable(path),
        static_cast<long long>(bytes), static_cast<long long>(ours.items), static_cast<long long>(theirs.items), runs);
    report("fresh process per sample (as at start-up):", ourTimes, theirTimes);

    ourTimes.clear();
    theirTimes.clear();
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    readAndParse(path);
    iconvAndPugixml(path);
    for (int i = 0; i < runs; ++i) {
        ourTimes.push_back(readAndParse(path).ms);
        theirTimes.push_back(iconvAndPugixml(path).ms);
    }
    report("repeated in one process, heap kept (the work without page faults):", ourTimes, theirTimes);
    return 0;
}
