#include "app/lattice/layer_mutes.h"

#include "settings/side_file.h"

namespace {

constexpr uint32_t kAllLayers = 0xFFu;

bool isLayer(int32_t layer)
{
    return layer >= 0 && layer < kLayerCount;
}

}  // namespace

uint32_t silencedLayers(const LayerMutes& mutes)
{
    uint32_t silenced = mutes.muted & kAllLayers;
    if (isLayer(mutes.solo))
        silenced |= kAllLayers & ~(1u << mutes.solo);
    return silenced;
}

LayerMutes toggledMute(LayerMutes mutes, int32_t layer)
{
    if (isLayer(layer))
        mutes.muted ^= 1u << layer;
    return mutes;
}

LayerMutes toggledSolo(LayerMutes mutes, int32_t layer)
{
    if (!isLayer(layer))
        return mutes;
    if (mutes.solo == layer) {
        mutes.solo = -1;
    } else {
        mutes.solo = layer;
        mutes.muted &= ~(1u << layer);
    }
    return mutes;
}

std::optional<LayerMutes> mutesAfterKey(const LayerMutes& mutes, int digit, bool shift)
{
    if (digit == 0)
        return LayerMutes{};
    if (digit < 1 || digit > kLayerCount)
        return std::nullopt;
    return shift ? toggledSolo(mutes, digit - 1) : toggledMute(mutes, digit - 1);
}

void setLayerMutes(AppContext& app, const LayerMutes& mutes)
{
    app.layerMutes = mutes;
    app.player.mutedLayers.store(silencedLayers(mutes), std::memory_order_relaxed);
    if (app.parameterFile.path.empty())
        return;
    const std::string path = sideFilePath(app.parameterFile.path, kLatticePlacementFile);
    saveLatticePlacement(path, loadLatticePlacement(path), mutes);  // a failure is logged
}

void restoreLayerMutes(AppContext& app)
{
    app.layerMutes = loadLayerMutes(sideFilePath(app.parameterFile.path, kLatticePlacementFile));
    app.player.mutedLayers.store(silencedLayers(app.layerMutes), std::memory_order_relaxed);
}

void markMutedRows(LatticeScene& scene, const LayerMutes& mutes)
{
    const uint32_t silenced = silencedLayers(mutes);
    for (LatticeRowView& row : scene.rows) {
        row.muted = isLayer(row.layer) && ((silenced >> row.layer) & 1u) != 0;
        row.soloed = row.layer == mutes.solo;
    }
}

int32_t layerAtLabel(const LatticeScene& scene, double x, double y)
{
    for (const LatticeRowView& row : scene.rows) {
        const LatticeRect& box = row.labelBox;
        if (x >= box.x && x < box.x + box.width && y >= box.y && y < box.y + box.height)
            return row.layer;
    }
    return -1;
}
