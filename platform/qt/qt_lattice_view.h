// The "lattice" window: a modeless, resizable view of the layers as they sound. It polls the
// playback thread's feed at the display rate and paints the scenes of LatticeViewModel; all the
// logic is there. Its row labels and number keys mute and solo the layers. Only what differs
// from the scene on screen is painted again, so a view at rest paints nothing; the picture
// without the playhead is kept, so a moving playhead costs a copy of its strip and a line.
// UI thread only.
#pragma once

#include <QImage>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <optional>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/lattice/lattice_view_model.h"
#include "app/lattice/layer_mutes.h"

class QtLatticeView : public QWidget {
public:
    static constexpr int kFrameMs = 17;  // polling and repainting: at most 60 frames a second

    QtLatticeView(AppContext& app, LatticeFeed& feed);

    // Shows the window (placed from its file the first time) or raises it when it is open.
    void open();
    // Writes the size and position beside the parameter file.
    void savePlacement();

    LatticeViewModel& model() { return model_; }
    const LatticeScene& shownScene() const { return shown_.scene; }  // what is on screen

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Keys 1..8 mute or unmute a layer, Shift+1..8 solo it, 0 clears every mute and solo.
    void keyPressEvent(QKeyEvent* event) override;
    // A click on a row's label mutes or unmutes its layer, a Shift+click solos it.
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // What is on screen, or about to be: the scene with its header and mode texts.
    struct Frame {
        LatticeScene scene;
        std::vector<std::string> header;
        std::string mode;
        QSize size;
        bool valid = false;
    };

    void frame();
    Frame compose();
    std::string placementPath() const;
    void changeMutes(const LayerMutes& mutes);

    AppContext& app_;
    LatticeViewModel model_;
    QTimer timer_;
    bool placed_ = false;
    Frame shown_;
    // At rest (nothing playing or sounding) the scene depends only on these: while they stay, a
    // frame composes nothing.
    SettingsRecord restSettings_{};
    int32_t restDevice_ = 0;
    std::string restSession_;
    bool resting_ = false;
    QImage picture_;      // shown_ painted without the playhead, in device pixels
    QRegion stale_;       // what of picture_ is still to be painted from shown_
    std::optional<LatticeGeometry> geometry_;  // measured for this size and font
    int geometryHeaderLines_ = 0;
};
