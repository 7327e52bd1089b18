// A run handed to its output piece by piece while it plays: the pieces make up exactly the run, a
// refused piece stops it, and a cancel reaches a long write before anything is committed.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "app/output/render_output.h"
#include "engine/render_run.h"
#include "file_test_support.h"
#include "settings/defaults.h"

namespace {

// Keeps the pieces; refuses piece `refuseAt` (counted from 1).
class PieceSink : public RenderSink {
public:
    bool take(std::span<const TimedMessage> piece) override
    {
        pieces.emplace_back(piece.begin(), piece.end());
        return pieces.size() < refuseAt;
    }
    std::vector<std::vector<TimedMessage>> pieces;
    size_t refuseAt = SIZE_MAX;
};

SettingsRecord defaultSettings()
{
    SettingsRecord settings{};
    fillBuiltInDefaults(settings);
    return settings;
}

bool sameMessage(const TimedMessage& a, const TimedMessage& b)
{
    return a.time == b.time && a.packed == b.packed && a.intended == b.intended;
}

// Ten hours of the default rhythm: several pieces.
const RenderLength kTenHours{std::nullopt, 10LL * 3600 * 1000};

}  // namespace

TEST(RenderStream, ThePiecesAreTheWholeRunInOrder)
{
    std::vector<TimedMessage> whole;
    std::string error;
    ASSERT_TRUE(renderRun(defaultSettings(), kTenHours, whole, error));
    PieceSink sink;
    ASSERT_TRUE(renderRun(defaultSettings(), kTenHours, sink, error));

    ASSERT_GE(sink.pieces.size(), 3u);
    std::vector<TimedMessage> joined;
    for (const auto& piece : sink.pieces) {
        EXPECT_LE(piece.size(), kRenderPieceMessages);
        joined.insert(joined.end(), piece.begin(), piece.end());
    }
    ASSERT_EQ(joined.size(), whole.size());
    for (size_t i = 0; i < whole.size(); ++i)
        ASSERT_TRUE(sameMessage(joined[i], whole[i])) << i;
}

TEST(RenderStream, ARefusedPieceStopsTheRun)
{
    PieceSink sink;
    sink.refuseAt = 2;
    std::string error;
    EXPECT_FALSE(renderRun(defaultSettings(), kTenHours, sink, error));
    EXPECT_EQ(sink.pieces.size(), 2u) << "nothing is handed over after the refusal";
}

// Cancelled while the text is being written: the staged file is removed and
// the file it would have replaced stays as it was.
TEST(RenderStream, ACancelDuringTheWriteLeavesTheOldFile)
{
    ScratchDir dir;
    const std::string path = dir.file("week.txt");
    writeBytes(path, {'o', 'l', 'd'});
    WorkProgress progress;
    // The cancel comes from the run's own progress: once it passes a tenth of a week (seconds of
    // work), the flag is set.
    std::thread watcher([&] {
        while (progress.permille.load() < 100 && !progress.cancelled())
            std::this_thread::yield();
        progress.cancel = true;
    });
    const RenderLength week{std::nullopt, 7LL * 24 * 3600 * 1000};
    const RenderOutcome outcome = renderToFile(defaultSettings(), week, path, nullptr, &progress);
    progress.cancel = true;
    watcher.join();

    EXPECT_EQ(outcome.status, RenderStatus::Cancelled);
    EXPECT_LT(progress.permille.load(), 900) << "stopped well before the end";
    EXPECT_EQ(readBytes(path), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);
}
