// The lattice window rendered offscreen: opened and raised through the shell, the preview before
// Play, the cells moving while notes arrive, the dark palette, and its placement kept in a file.
#include <QtTest>

#include <QImage>
#include <QPaintEvent>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "tests/core/lattice_test_support.h"
#include "app/app_context.h"
#include "engine/lattice_feed.h"
#include "engine/virtual_clock.h"
#include "platform/qt/qt_lattice_paint.h"
#include "platform/qt/qt_lattice_view.h"
#include "platform/qt/qt_shell_platform.h"
#include "settings/defaults.h"
#include "settings/lattice_placement.h"
#include "settings/numeral_presets.h"
#include "tests/core/no_ports.h"

namespace {

// How many pixels are close to `colour` (antialiased edges aside).
int pixelsNear(const QImage& image, QColor colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                    std::abs(c.blue() - colour.blue()) < 24)
                ++count;
        }
    return count;
}

// Counts the paint events a widget gets and the area they cover.
class PaintCounter : public QObject {
public:
    int paints = 0;
    QRegion painted;

    void reset()
    {
        paints = 0;
        painted = QRegion();
    }
    int64_t area() const
    {
        int64_t sum = 0;
        for (const QRect& r : painted)
            sum += int64_t{r.width()} * r.height();
        return sum;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};

}  // namespace

class LatticeViewTests : public QObject {
    Q_OBJECT

private:
    std::string directory;
    QtShellPlatform shell;
    VirtualClock clock;
    PlayerState player;
    Transport transport;
    SettingsRecord working{}, defaults{};
    ParameterFile parameterFile;
    NoPorts devices;
    std::unique_ptr<LatticeFeed> feed;
    std::unique_ptr<AppContext> app;

    QImage shot()
    {
        QtLatticeView* view = shell.latticeView();
        view->model().poll(clock.now());
        return view->grab().toImage();
    }

private slots:
    void init()
    {
        char name[] = "/tmp/pulselattice-qt-XXXXXX";
        directory = ::mkdtemp(name);
        parameterFile.path = directory + "/pulseLattice.par";
        fillBuiltInDefaults(working);
        working.layerIndex = 2;  // three layers
        working.playState = Ready;
        put(player.deviceId, -1);
        feed = std::make_unique<LatticeFeed>();
        app = std::make_unique<AppContext>(
            AppContext{shell, player, transport, working, defaults, parameterFile, devices, clock});
        shell.setLatticeSources(app.get(), feed.get());
    }
    void cleanup()
    {
        shell.closeLatticeView();
        std::filesystem::remove_all(directory);
    }

    void opensModelessResizableAndRaisesTheSameWindow()
    {
        shell.showLatticeView();
        QtLatticeView* view = shell.latticeView();
        QVERIFY(view);
        QVERIFY(view->isVisible());
        QCOMPARE(view->windowTitle(), QStringLiteral("lattice"));
        QVERIFY(!view->isModal());
        QVERIFY(view->minimumSize() != view->maximumSize());
        shell.showLatticeView();
        QCOMPARE(shell.latticeView(), view);
    }

    void previewShowsAlphaAndBetaCellsBeforePlay()
    {
        shell.showLatticeView();
        const QImage image = shot();
        const LatticePalette colours = latticePaletteForTest();
        QVERIFY(pixelsNear(image, colours.alpha) + pixelsNear(image, blend(colours.alpha, colours.background)) > 500);
        QVERIFY(pixelsNear(image, colours.beta) + pixelsNear(image, blend(colours.beta, colours.background)) > 500);
        QVERIFY(!shell.latticeView()->model().live(clock.now()));
    }

    void cellsMoveWhileNotesArriveAndTheSoundingOneIsOutlined()
    {
        shell.showLatticeView();
        working.playState = Playing;
        const LatticeRhythm rhythm = rhythmFromSettings(working);
        refreshForPlay(rhythm);
        feed->publish(latticeNote(0, 2, false, {1, 1, 1}));
        feed->publish(latticeNote(0, 1, false, {1, 1, 1}));
        feed->publish(latticeNote(0, 0, false, {1, 1, 1}));
        clock.sleepUntil(std::chrono::milliseconds(100));
        const QImage first = shot();
        feed->publish(latticeNote(240, 1, true, {2, 2, 1}));
        feed->publish(latticeNote(240, 0, true, {2, 2, 1}));
        clock.sleepUntil(std::chrono::milliseconds(600));
        const QImage second = shot();
        QVERIFY(shell.latticeView()->model().live(clock.now()));
        QVERIFY(first != second);
        QCOMPARE(shell.latticeView()->model().timeline().counters()[0], 2u);
    }

    // Nothing changes, nothing is painted: stopped, or playing while the clock stands. When the
    // playhead moves, only its path is painted again.
    void restsWhileNothingChangesAndRepaintsOnlyWhatMoved()
    {
        shell.showLatticeView();
        QtLatticeView* view = shell.latticeView();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QTest::qWait(100);
        PaintCounter counter;
        view->installEventFilter(&counter);
        QTest::qWait(1000);
        QCOMPARE(counter.paints, 0);

        working.playState = Playing;
        refreshForPlay(rhythmFromSettings(working));
        const int64_t start = std::chrono::duration_cast<std::chrono::milliseconds>(clock.now()).count();
        feed->publish(latticeNote(start, 2, false, {1, 1, 1}));
        feed->publish(latticeNote(start, 1, false, {1, 1, 1}));
        feed->publish(latticeNote(start, 0, false, {1, 1, 1}));
        clock.sleepUntil(clock.now() + std::chrono::milliseconds(100));
        QTRY_VERIFY(counter.paints > 0);
        QTest::qWait(100);
        counter.reset();
        QTest::qWait(500);
        QCOMPARE(counter.paints, 0);

        clock.sleepUntil(clock.now() + std::chrono::milliseconds(30));
        QTRY_VERIFY(counter.paints > 0);
        QTest::qWait(100);
        QVERIFY2(counter.area() < int64_t{view->width()} * view->height() / 8,
                 qPrintable(QString::number(counter.area())));
    }

    // The label column is measured with the font in use: a larger font moves the lanes right.
    void aNewFontMeasuresTheLabelsAgain()
    {
        shell.showLatticeView();
        QtLatticeView* view = shell.latticeView();
        shot();
        const double before = view->shownScene().rows.front().lane.x;
        QFont larger = view->font();
        larger.setPointSizeF(larger.pointSizeF() * 2);
        view->setFont(larger);
        shot();
        QVERIFY(view->shownScene().rows.front().lane.x > before + 20);
    }

    void darkPaletteAndDoubleScale()
    {
        shell.showLatticeView();
        QtLatticeView* view = shell.latticeView();
        QPalette dark = view->palette();
        dark.setColor(QPalette::Window, QColor(30, 30, 30));
        view->setPalette(dark);
        const QImage image = shot();
        QVERIFY(image.pixelColor(2, image.height() - 2).lightness() < 60);

        QPixmap twice(view->size() * 2);
        twice.setDevicePixelRatio(2.0);
        view->render(&twice);
        QCOMPARE(twice.toImage().size(), view->size() * 2);
    }

    void placementIsKeptBesideTheParameterFile()
    {
        shell.showLatticeView();
        shell.latticeView()->resize(640, 360);
        shell.latticeView()->move(70, 50);
        shell.latticeView()->close();
        const std::optional<LatticePlacement> saved = loadLatticePlacement(directory + "/pulseLattice.lattice");
        QVERIFY(saved);
        QCOMPARE(saved->width, 640);
        QCOMPARE(saved->height, 360);

        shell.closeLatticeView();
        shell.showLatticeView();
        QCOMPARE(shell.latticeView()->size(), QSize(640, 360));
        QCOMPARE(shell.latticeView()->pos(), QPoint(saved->left, saved->top));
    }

    // Keys 1..8 and clicks on the labels mute, Shift solos, 0 clears; the rows change at once,
    // before Play, and the side file keeps the mutes. T taps the tempo.
    void keysAndLabelClicksMuteAndSoloTheLayers()
    {
        shell.showLatticeView();
        QtLatticeView* view = shell.latticeView();
        const QImage heard = shot();
        QTest::keyClick(view, Qt::Key_1);
        QCOMPARE(app->layerMutes, (LayerMutes{0b1, -1}));
        QCOMPARE(player.mutedLayers.load(), 1u);
        QVERIFY(shot() != heard);
        QTest::keyClick(view, Qt::Key_NumberSign, Qt::ShiftModifier);  // Shift+3 on a US layout
        QCOMPARE(app->layerMutes.solo, 2);
        QCOMPARE(player.mutedLayers.load(), 0xFFu & ~0b100u);
        QTest::keyClick(view, Qt::Key_3, Qt::ShiftModifier);  // Shift+3 again ends the solo
        QCOMPARE(app->layerMutes, (LayerMutes{0b1, -1}));
        QTest::keyClick(view, Qt::Key_9);
        QTest::keyClick(view, Qt::Key_2, Qt::ControlModifier);  // not ours: Ctrl goes to the commands
        QCOMPARE(app->layerMutes, (LayerMutes{0b1, -1}));
        QTest::keyClick(view, Qt::Key_0);
        QCOMPARE(app->layerMutes, LayerMutes{});
        QCOMPARE(shot(), heard);

        const LatticeScene scene =
            view->model().scene(clock.now(), latticeGeometryFor(view->font(), view->width(), view->height(), 3));
        const LatticeRect label = scene.rows[1].labelBox;  // layer 2 (top layer first)
        const QPoint onLabel(int(label.x + label.width / 2), int(label.y + label.height / 2));
        QTest::mouseClick(view, Qt::LeftButton, {}, onLabel);
        QCOMPARE(app->layerMutes, (LayerMutes{0b10, -1}));
        QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, onLabel);
        QCOMPARE(app->layerMutes, (LayerMutes{0, 1}));
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(int(scene.rows[1].lane.x + 20), onLabel.y()));
        QCOMPARE(app->layerMutes, (LayerMutes{0, 1}));  // the lane is not a label
        QCOMPARE(loadLayerMutes(directory + "/pulseLattice.lattice"), (LayerMutes{0, 1}));

        // T is the Tap key: two taps half a second apart make 120 BPM, the tempo in force.
        QTest::keyClick(view, Qt::Key_T);
        clock.sleepUntil(clock.now() + std::chrono::milliseconds(500));
        QTest::keyClick(view, Qt::Key_T);
        QCOMPARE(get(player.alphaMs), 500);
    }

    // A size far beyond the screen (from a larger screen, or written by hand) is cut to the screen,
    // and a place with the title strip off every screen is left to the default.
    void aHugeOrUnreachablePlacementFileGivesAWindowThatFitsTheScreen()
    {
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        const std::string path = directory + "/pulseLattice.lattice";
        for (const char* text : {"0 0 1500 1100", "-19400 -19400 40000 40000"}) {
            shell.closeLatticeView();
            std::FILE* file = std::fopen(path.c_str(), "w");
            std::fputs(text, file);
            std::fclose(file);
            shell.showLatticeView();
            QtLatticeView* view = shell.latticeView();
            QVERIFY2(view->width() <= screen.width() && view->height() <= screen.height(), text);
            QVERIFY2(QGuiApplication::screenAt(view->geometry().topLeft() + QPoint(2, 2)), text);
        }
    }

    // What a partial paint leaves on screen is what a whole paint would: every cell, lane, label
    // and header line reaching into the area is drawn there.
    void aPartialPaintEqualsAWholeOne()
    {
        using namespace std::chrono_literals;
        const LatticeRhythm rhythm{numeralPresetValue(6), 80, 80, 7};
        const QFont font;
        const LatticeScene scene = layoutLattice(previewCells(rhythm, {}, 2s), 7, {}, {-250ms, 750ms, 400ms},
                                                 latticeGeometryFor(font, 1280, 800, 3), true);
        const std::vector<std::string> header{"numeral", "tempo", "modulation"};
        const LatticePalette colours = latticePaletteFor(QPalette());
        QRegion area;
        for (int x = 153; x < 1270; x += 37)  // playhead strips, across cells' ends and middles
            area += QRect(x, 60, 9, 700);
        area += QRect(150, 500, 300, 120);      // cells and a label
        area += QRect(0, 0, 90, 20);            // the header's corner
        QImage whole(1280, 800, QImage::Format_ARGB32_Premultiplied), part = whole;
        {
            QPainter p(&whole);
            paintLattice(p, scene, header, "playing", colours, font);
        }
        {
            QPainter p(&part);
            paintLattice(p, scene, header, "playing", colours, font);
            for (const QRect& r : area)
                p.fillRect(r, Qt::black);
        }
        {
            QPainter p(&part);
            p.setClipRegion(area);
            paintLattice(p, scene, header, "playing", colours, font, area);
        }
        QCOMPARE(part, whole);
    }

private:
    static LatticePalette latticePaletteForTest() { return latticePaletteFor(QPalette()); }
    static QColor blend(QColor a, QColor b)
    {
        return QColor((a.red() * 7 + b.red() * 3) / 10, (a.green() * 7 + b.green() * 3) / 10,
                      (a.blue() * 7 + b.blue() * 3) / 10);
    }
    void refreshForPlay(const LatticeRhythm& rhythm)
    {
        player.numeral.store(rhythm.numeral);
        put(player.alphaMs, rhythm.alphaMs);
        put(player.betaMs, rhythm.betaMs);
    }
};

QTEST_MAIN(LatticeViewTests)
#include "lattice_view_tests.moc"
