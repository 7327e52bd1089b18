// The lattice view's data path and logic: the feed's ring, the cells the engine computes for the
// preview and for played events, the layout over the time axis, the header and the placement file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>

#include "lattice_test_support.h"
#include "app/lattice/lattice_forecast.h"
#include "app/lattice/lattice_header.h"
#include "app/lattice/lattice_layout.h"
#include "app/lattice/lattice_repaint.h"
#include "app/lattice/lattice_timeline.h"
#include "app/lattice/lattice_view_model.h"
#include "engine/playback.h"
#include "app/window_placement.h"
#include "engine/lattice_feed.h"
#include "file_test_support.h"
#include "generator_test_support.h"
#include "settings/lattice_placement.h"
#include "settings/numeral_presets.h"
#include "settings/side_file.h"

using namespace std::chrono_literals;

namespace {

const double kGolden = numeralPresetValue(6);

std::string letters(const std::vector<LatticeCell>& cells, int32_t layer)
{
    std::string s;
    for (const LatticeCell& c : cells)
        if (c.layer == layer)
            s += c.alpha ? 'A' : 'B';
    return s;
}

std::vector<int64_t> startsMs(const std::vector<LatticeCell>& cells, int32_t layer)
{
    std::vector<int64_t> s;
    for (const LatticeCell& c : cells)
        if (c.layer == layer)
            s.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(c.start).count());
    return s;
}

}  // namespace

TEST(LatticeFeed, EveryNoteOnIsAnnouncedAtItsIntendedTimeWithTheCounters)
{
    auto feed = std::make_unique<LatticeFeed>();
    VirtualPlayer v(kGolden, 3);
    v.player.latticeFeed.store(feed.get());
    v.pass();
    v.pass();
    v.pass();

    std::vector<TimedMessage> noteOns;
    for (const TimedMessage& m : v.port.messages)
        if ((m.status() & 0xF0) == 0x90)
            noteOns.push_back(m);
    LatticeNote n;
    LayerCounters seen{};
    size_t i = 0;
    for (; feed->next(n); ++i) {
        ASSERT_LT(i, noteOns.size());
        EXPECT_EQ(n.time, noteOns[i].time);
        EXPECT_EQ(n.layer, (noteOns[i].status() & 0x0F) / 2);
        EXPECT_EQ(n.alpha, (noteOns[i].status() & 1) == 0);
        EXPECT_EQ(n.index(), seen[n.layer]++);  // one note-on per event: the counter counts them
    }
    EXPECT_EQ(i, noteOns.size());
    EXPECT_EQ(seen, v.counters);
}

TEST(LatticeFeed, AReaderThatFellBehindGetsTheNewestEntriesAndCountsTheLost)
{
    auto feed = std::make_unique<LatticeFeed>();
    const uint64_t total = LatticeFeed::kCapacity + 10;
    for (uint64_t k = 0; k < total; ++k)
        feed->publish(latticeNote(static_cast<int64_t>(k), 0, false, {static_cast<uint32_t>(k + 1)}));
    LatticeNote n;
    ASSERT_TRUE(feed->next(n));
    EXPECT_EQ(n.index(), 10u);
    EXPECT_EQ(feed->skipped(), 10u);
    uint64_t read = 1;
    while (feed->next(n))
        ++read;
    EXPECT_EQ(read, LatticeFeed::kCapacity);
    EXPECT_EQ(n.index(), total - 1);
}

TEST(LatticeFeed, ReadingWhileThePlaybackThreadWritesNeverGivesATornEntry)
{
    auto feed = std::make_unique<LatticeFeed>();
    constexpr uint32_t kNotes = 200000;
    std::thread producer([&] {
        for (uint32_t k = 0; k < kNotes; ++k) {
            LayerCounters counters;
            counters.fill(k + 1);
            feed->publish(latticeNote(k, static_cast<int32_t>(k % 8), k % 2 == 0, counters));
        }
    });
    uint32_t last = 0, seen = 0;
    LatticeNote n;
    while (last + 1 < kNotes) {
        if (!feed->next(n))
            continue;
        const uint32_t k = n.counters[0] - 1;
        ASSERT_EQ(n.time, std::chrono::milliseconds(k));
        ASSERT_EQ(n.layer, static_cast<int32_t>(k % 8));
        ASSERT_EQ(n.alpha, k % 2 == 0);
        ASSERT_EQ(n.counters[7], k + 1);
        ASSERT_TRUE(seen == 0 || k > last);
        last = k;
        ++seen;
    }
    producer.join();
    EXPECT_EQ(seen + feed->skipped(), kNotes);
}

TEST(LatticeRhythm, PreviewOfTheGoldenRatioFromTheStart)
{
    // Two layers, 240 ms: passes 1 and 2 of the golden ratio, then cut at 1000 ms.
    const LatticeRhythm rhythm{kGolden, 240, 240, 1};
    const std::vector<LatticeCell> cells = previewCells(rhythm, {}, 1440ms);
    EXPECT_EQ(letters(cells, 1), "BAB");
    EXPECT_EQ(startsMs(cells, 1), (std::vector<int64_t>{0, 240, 720}));
    EXPECT_EQ(letters(cells, 0), "BABAAB");
    EXPECT_EQ(startsMs(cells, 0), (std::vector<int64_t>{0, 240, 480, 720, 960, 1200}));
    EXPECT_EQ(cells.back().end, 1440ms);

    const std::vector<LatticeCell> cut = previewCells(rhythm, {}, 1000ms);
    EXPECT_EQ(letters(cut, 0), "BABAA");
    for (const LatticeCell& c : cut) {
        if (c.end == 1000ms) {
            EXPECT_FALSE(c.endKnown);
        }
    }
    // From where the counters stand (after pass 1), Play goes on with pass 2.
    EXPECT_EQ(letters(previewCells(rhythm, {1, 1}, 1200ms), 0), "ABAAB");
}

TEST(LatticeRhythm, EventLengthIsOneCycleOfTheLayerBelowOrUnknownPastTheLimit)
{
    const LatticeRhythm rhythm{kGolden, 240, 360, 2};
    EXPECT_EQ(eventLength(rhythm, 0, true, {}, 10s), 240ms);
    EXPECT_EQ(eventLength(rhythm, 0, false, {}, 10s), 360ms);
    // Layer 0 from event 1 plays A, B: 240 + 360.
    EXPECT_EQ(eventLength(rhythm, 1, true, {1, 2}, 10s), 600ms);
    // Close to 1 a cycle is long; the engine is not asked beyond the limit.
    const LatticeRhythm slow{1.001, 240, 240, 7};
    EXPECT_EQ(eventLength(slow, 7, false, {1, 1, 1, 1, 1, 1, 1, 1}, 60s), std::nullopt);
    // Damaged durations give no lengths and no preview instead of an endless run.
    EXPECT_EQ(eventLength({kGolden, 0, 240, 1}, 1, false, {}, 10s), std::nullopt);
    EXPECT_TRUE(previewCells({kGolden, 0, 240, 1}, {}, 10s).empty());
    // One length a million times the other (a damaged file): the work stops at a bounded number
    // of the short events, which are narrower than a pixel beyond it anyway.
    const LatticeRhythm lopsided{1.0000000001, 100, 1'000'000, 7};
    const std::vector<LatticeCell> cells = previewCells(lopsided, {}, latticeSpan(lopsided, 0));
    const auto layer0 = std::count_if(cells.begin(), cells.end(), [](const LatticeCell& c) { return c.layer == 0; });
    EXPECT_LE(layer0, kLatticeEventLimit + 4);  // and the drain after the stop
}

TEST(LatticeLayout, PlayedNotesBecomeCellsInRowsWithTheSoundingOneHighlighted)
{
    // A scripted pass 2 of two golden-ratio layers at 240 ms, as the feed announces it.
    const LatticeRhythm rhythm{kGolden, 240, 240, 1};
    LatticeTimeline timeline;
    timeline.add(latticeNote(240, 1, true, {1, 2}), rhythm);
    timeline.add(latticeNote(240, 0, true, {2, 2}), rhythm);
    timeline.add(latticeNote(480, 0, false, {3, 2}), rhythm);
    timeline.add(latticeNote(720, 1, false, {3, 3}), rhythm);
    timeline.add(latticeNote(720, 0, true, {4, 3}), rhythm);
    const std::vector<LatticeCell> cells = timeline.cells();
    ASSERT_EQ(cells.size(), 5u);
    EXPECT_EQ(cells[0].end, 480ms);   // layer 0 alpha, 240 ms
    EXPECT_EQ(cells[3].end, 720ms);   // layer 1 alpha: closed by the beta
    EXPECT_EQ(cells[4].end, 1440ms);  // layer 1 beta: layer 0 plays A, A, B from event 3

    LatticeGeometry g{1000, 300, 60, 100, 10};  // lanes from x 110, 880 wide; rows from y 70, 110 high
    const LatticeWindow window{0ms, 1760ms, 800ms};
    LatticeScene scene = layoutLattice(cells, 1, timeline.counters(), window, g, true);
    ASSERT_EQ(scene.rows.size(), 2u);
    EXPECT_EQ(scene.rows[0].layer, 1);  // the top layer on top
    EXPECT_EQ(scene.rows[0].counter, "3");
    EXPECT_EQ(scene.rows[1].counter, "4");
    EXPECT_DOUBLE_EQ(scene.rows[1].lane.y, 180);
    EXPECT_DOUBLE_EQ(scene.playheadX, 110 + 880 * 800.0 / 1760);
    const LatticeCellView& beta1 = scene.cells[4];
    EXPECT_DOUBLE_EQ(beta1.rect.x, 110 + 880 * 720.0 / 1760);
    EXPECT_DOUBLE_EQ(beta1.rect.width, 880 * 720.0 / 1760);
    std::vector<bool> sounding;
    for (const LatticeCellView& c : scene.cells)
        sounding.push_back(c.sounding);
    EXPECT_EQ(sounding, (std::vector<bool>{false, false, true, false, true}));

    // Resized to twice the width: the same times at twice the distance into the lanes.
    g.width = 1990;
    scene = layoutLattice(cells, 1, timeline.counters(), window, g, true);
    EXPECT_DOUBLE_EQ(scene.cells[4].rect.x, 110 + 1870 * 720.0 / 1760);
    EXPECT_DOUBLE_EQ(scene.cells[4].rect.width, 1870 * 720.0 / 1760);

    // Cells left of the window are dropped; the preview has no highlight.
    scene = layoutLattice(cells, 1, timeline.counters(), {500ms, 2260ms, 500ms}, g, false);
    EXPECT_EQ(scene.cells.size(), 4u);  // layer 0's first cell ended at 480
    EXPECT_FALSE(scene.showPlayhead);
    for (const LatticeCellView& c : scene.cells)
        EXPECT_FALSE(c.sounding);
}

// While playing the cells stand still and the playhead sweeps from a quarter to three quarters of
// the lanes; then the page turns by half a span.
TEST(LatticeLayout, ThePageStandsWhileThePlayheadSweepsThenTurnsByHalfASpan)
{
    const Clock::Duration span = 1000ms;
    for (const Clock::Duration now : {0ms, 250ms, 499ms})
        EXPECT_EQ(liveWindow(now, span).start, -250ms) << now.count();
    EXPECT_EQ(liveWindow(500ms, span).start, 250ms);
    EXPECT_EQ(liveWindow(-1ms, span).start, -750ms);
    const LatticeWindow w = liveWindow(1700ms, span);
    EXPECT_EQ(w.start, 1250ms);
    EXPECT_EQ(w.end, 2250ms);
    EXPECT_EQ(w.now, 1700ms);

    // The span: twelve of the longer events, at least a second, and a wide window shows more time
    // rather than wider cells (so what moves on screen costs no more to paint).
    const LatticeRhythm rhythm{kGolden, 80, 200, 7};
    EXPECT_EQ(latticeSpan(rhythm, 560), 2400ms);
    EXPECT_EQ(latticeSpan({kGolden, 80, 80, 7}, 400), 1000ms);
    EXPECT_EQ(latticeSpan(rhythm, 2400), 5000ms);
}

// Only what differs is painted again: nothing for the same scene, one strip over the playhead's
// old and new places, the old and new places of a cell whose look changed, a moved counter's
// label; everything when the rows moved.
TEST(LatticeRepaint, OnlyWhatDiffersBetweenTwoScenes)
{
    const LatticeRhythm rhythm{kGolden, 240, 240, 1};
    LatticeTimeline timeline;
    timeline.add(latticeNote(0, 1, true, {1, 1}), rhythm);
    timeline.add(latticeNote(0, 0, true, {1, 1}), rhythm);
    const LatticeGeometry g{1000, 300, 60, 100, 10};
    const auto at = [&](Clock::Duration now) {
        return layoutLattice(timeline.cells(), 1, timeline.counters(), {0ms, 2000ms, now}, g, true);
    };
    const LatticeScene first = at(100ms);
    EXPECT_TRUE(latticeRepaint(first, first).empty());

    const LatticeScene later = at(110ms);  // the playhead moves; nothing starts or ends
    LatticeRepaint r = latticeRepaint(first, later);
    EXPECT_TRUE(r.rects.empty());
    ASSERT_TRUE(r.playhead);
    EXPECT_DOUBLE_EQ(r.playhead->x, first.playheadX - kLatticeRepaintMargin);
    EXPECT_DOUBLE_EQ(r.playhead->x + r.playhead->width, later.playheadX + kLatticeRepaintMargin);

    timeline.add(latticeNote(240, 0, false, {2, 1}), rhythm);  // layer 0's next event starts
    const LatticeScene next = at(250ms);
    r = latticeRepaint(later, next);
    EXPECT_FALSE(r.everything);
    const LatticeCellView& ended = next.cells[0].layer == 0 ? next.cells[0] : next.cells[1];
    EXPECT_TRUE(std::any_of(r.rects.begin(), r.rects.end(), [&](const LatticeRect& rect) {
        return rect.x <= ended.rect.x && rect.x + rect.width >= ended.rect.x + ended.rect.width;
    }));
    EXPECT_TRUE(std::any_of(r.rects.begin(), r.rects.end(), [&](const LatticeRect& rect) {
        return rect.x == next.rows[1].labelBox.x && rect.y == next.rows[1].labelBox.y;  // counter 1 -> 2
    }));
    double painted = 0;
    for (const LatticeRect& rect : r.rects)
        painted += rect.width * rect.height;
    EXPECT_LT(painted, g.width * g.height / 4);

    LatticeGeometry taller = g;
    taller.height = 400;
    EXPECT_TRUE(latticeRepaint(next, layoutLattice(timeline.cells(), 1, timeline.counters(), {0ms, 2000ms, 250ms},
                                                   taller, true))
                    .everything);
}

TEST(LatticeForecast, FromThePassStartItForeseesEveryNoteOfThePassAndDropsWhatItDidNot)
{
    auto feed = std::make_unique<LatticeFeed>();
    VirtualPlayer v(kGolden, 3);
    v.player.latticeFeed.store(feed.get());
    std::vector<LatticeNote> notes;
    std::vector<size_t> passStarts;
    LatticeNote n;
    for (int pass = 0; pass < 4; ++pass) {
        passStarts.push_back(notes.size());
        v.pass();
        while (feed->next(n))
            notes.push_back(n);
    }
    const LatticeRhythm rhythm = rhythmFromSettings(v.settings);

    // Seen up to the first note of pass 3: the rest of pass 3 is foreseen, exactly.
    LatticeForecast forecast;
    for (size_t i = 0; i <= passStarts[2]; ++i)
        forecast.observe(notes[i], rhythm);
    ASSERT_TRUE(forecast.anchored());
    const Clock::Duration after = notes[passStarts[2]].time, until = notes[passStarts[3]].time;
    std::vector<std::string> expected, foreseen;
    for (size_t i = passStarts[2] + 1; i < passStarts[3]; ++i)
        if (notes[i].time > after)
            expected.push_back(std::to_string(notes[i].layer) + "/" + std::to_string(notes[i].index()) + "@" +
                               std::to_string(notes[i].time.count()));
    for (const LatticeCell& c : forecast.coming(rhythm, after, until))
        foreseen.push_back(std::to_string(c.layer) + "/" + std::to_string(c.index) + "@" +
                           std::to_string(c.start.count()));
    std::sort(expected.begin(), expected.end());
    std::sort(foreseen.begin(), foreseen.end());
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(foreseen, expected);

    // The same note later than foreseen (a wait cut short, a pass resumed): no forecast.
    LatticeNote late = notes[passStarts[2] + 1];
    late.time += 5ms;
    forecast.observe(late, rhythm);
    EXPECT_FALSE(forecast.anchored());
    EXPECT_TRUE(forecast.coming(rhythm, after, until).empty());
}

TEST(LatticeHeader, NumeralAsTheCaptionShowsItThenTempoLayersDurationsModulationAndDevice)
{
    SettingsRecord s{};
    fillBuiltInDefaults(s);
    s.layerIndex = 2;
    s.tempo = 192;
    s.modulationEnabled = 1;
    s.modulationLayer = 1;
    s.modulationTone = 1;
    s.modulationNoteOffset = -4;
    const std::vector<std::string> lines = latticeHeader(s, "MIDI_MAPPER");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "numeral 1.61803398874989490253   (1+Sqrt(5))/2");
    EXPECT_EQ(lines[1], "tempo 192   layers 3   alpha 480 ms   beta 480 ms");
    EXPECT_EQ(lines[2], "modulation layer 2 beta, note -4, velocity 0   device MIDI_MAPPER");
    // A damaged parameter file's layer is shown as it is, without overflowing.
    s.modulationLayer = INT32_MAX;
    EXPECT_EQ(latticeHeader(s, "MIDI_MAPPER")[2],
              "modulation layer 2147483648 beta, note -4, velocity 0   device MIDI_MAPPER");
}

// After Rewind the stopped view shows the beginning again: the played cells and counters are
// forgotten, also what the feed still held from before.
TEST(LatticeViewModel, RewindShowsThePreviewFromTheBeginning)
{
    LatticeFeed feed;
    PlayerState player;
    SettingsRecord working = VirtualPlayer(kGolden, 2).settings;
    working.playState = Ready;
    LatticeViewModel model(feed, player, working);
    feed.publish(latticeNote(0, 1, false, {1, 1}));
    feed.publish(latticeNote(0, 0, false, {1, 1}));
    model.poll(10ms);
    feed.publish(latticeNote(240, 1, true, {2, 2}));  // not polled before the rewind
    LatticeGeometry g;
    g.width = 800;
    g.height = 300;
    const LatticeScene stopped = model.scene(10s, g);
    EXPECT_EQ(stopped.rows.back().counter, "1");

    rewindPlayback(player);
    model.poll(11s);
    const LatticeScene rewound = model.scene(11s, g);
    EXPECT_EQ(rewound.rows.back().counter, "0");
    EXPECT_EQ(rewound.rows.front().counter, "0");
    ASSERT_FALSE(rewound.cells.empty());
    EXPECT_EQ(rewound.cells.front().index, 0u);
    EXPECT_FALSE(rewound.cells.front().alpha);  // every layer begins with beta

    // A pass that drained as Rewind was chosen announces its last notes after it: Play still
    // starts from the beginning, and so does the preview.
    feed.publish(latticeNote(11000, 0, true, {3, 2}));
    model.poll(11010ms);
    EXPECT_EQ(model.scene(20s, g).rows.back().counter, "0");
}

TEST(LatticePlacement, KeptBesideTheParameterFileAndDamagedFilesIgnored)
{
    ScratchDir dir;
    const std::string path = sideFilePath(dir.path + "/pulseLattice.par", kLatticePlacementFile);
    EXPECT_EQ(path, dir.path + "/pulseLattice.lattice");
    EXPECT_EQ(loadLatticePlacement(path), std::nullopt);
    ASSERT_TRUE(saveLatticePlacement(path, LatticePlacement{-20, 40, 800, 450}));
    EXPECT_EQ(loadLatticePlacement(path), (LatticePlacement{-20, 40, 800, 450}));
    for (const char* damaged : {"", "10 20 30", "1 2 0 5", "1 2 3 999999", "x y z w", "1 2 99999999999999999999 4"}) {
        writeBytes(path, Bytes(damaged, damaged + std::strlen(damaged)));
        EXPECT_EQ(loadLatticePlacement(path), std::nullopt) << damaged;
    }
}

// The file of a window once opened on a huge screen, or written by hand: the size is cut to the
// largest screen, and a place whose top strip is off every screen is left to the default.
TEST(LatticePlacement, AHugeSizeIsCutToTheLargestScreenAndAnUnreachablePlaceIgnored)
{
    const std::vector<WindowRect> screens{{0, 0, 1920, 1080}, {1920, 0, 4480, 1600}};
    const auto fit = [&](int32_t left, int32_t top, int32_t width, int32_t height) {
        return fitPlacementToScreens(left, top, width, height, screens);
    };
    EXPECT_EQ(fit(-19400, -19400, 40000, 40000), std::nullopt);
    const std::optional<WindowRect> cut = fit(10, 20, 40000, 40000);
    ASSERT_TRUE(cut);
    EXPECT_EQ((std::vector<int32_t>{cut->left, cut->top, cut->right, cut->bottom}),
              (std::vector<int32_t>{10, 20, 10 + 2560, 20 + 1600}));
    const std::optional<WindowRect> kept = fit(2000, 100, 800, 450);
    ASSERT_TRUE(kept);
    EXPECT_EQ((std::vector<int32_t>{kept->left, kept->top, kept->right, kept->bottom}),
              (std::vector<int32_t>{2000, 100, 2800, 550}));
    EXPECT_EQ(fit(5000, 100, 800, 450), std::nullopt);
    EXPECT_EQ(fit(10, 20, 0, 450), std::nullopt);
    EXPECT_EQ(fitPlacementToScreens(10, 20, 800, 450, {}), std::nullopt);
}
