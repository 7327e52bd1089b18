// The MIDI device list: which ports are listed, which entry is selected, and what a choice yields.
#include <gtest/gtest.h>

#include "dialog_test_support.h"
#include "dialogs/device_choice.h"

namespace {

constexpr int kList = 1100;

// A device that has gone (unplugged, its server died) stays on offer after the ports, so the list
// shows what plays now and MIDI_MAPPER can be chosen to get sound back.
TEST(DeviceList, AGoneDeviceStaysOnOfferAndChoosingTheMapperSwitchesToIt)
{
    FakeControls controls;
    FakeDeviceListing listing;
    DeviceChoice devices{};
    fillDeviceList(controls, kList, devices, listing, 3);
    EXPECT_EQ(controls.lists[kList], (std::vector<std::string>{"MIDI_MAPPER", "device 3 (not available)"}));
    EXPECT_EQ(controls.selectedListItem(kList), 1);
    EXPECT_EQ(devices.pendingDeviceId, 3);
    controls.selection[kList] = 0;
    takeDeviceSelection(controls, kList, devices);
    EXPECT_EQ(devices.pendingDeviceId, -1);
}

TEST(DeviceList, UnreadablePortsAreLeftOutAndLaterPortsMoveUp)
{
    FakeControls controls;
    FakeDeviceListing listing;
    listing.ports = {std::string("port a"), std::nullopt, std::string("port c"), std::string("port d")};
    DeviceChoice devices{};
    fillDeviceList(controls, kList, devices, listing, 2);
    EXPECT_EQ(controls.lists[kList], (std::vector<std::string>{"MIDI_MAPPER", "port a", "port c", "port d"}));
    EXPECT_EQ(devices.portCount, 4u);
    EXPECT_EQ(devices.listedCount, 3);
    EXPECT_EQ(controls.listText(kList), "port c");
    EXPECT_EQ(devices.selected, 2);

    controls.selectListItem(kList, 3);
    takeDeviceSelection(controls, kList, devices);
    EXPECT_EQ(devices.pendingDeviceId, 3);
    controls.selectListItem(kList, 0);
    takeDeviceSelection(controls, kList, devices);
    EXPECT_EQ(devices.pendingDeviceId, -1);
}

TEST(DeviceList, TheLastPortAndTheMapperAreFoundToo)
{
    FakeControls controls;
    FakeDeviceListing listing;
    listing.ports = {std::string("a"), std::string("b")};
    DeviceChoice devices{};
    fillDeviceList(controls, kList, devices, listing, 1);
    EXPECT_EQ(controls.listText(kList), "b");

    FakeControls again;
    fillDeviceList(again, kList, devices, listing, -1);
    EXPECT_EQ(again.listText(kList), "MIDI_MAPPER");
}

TEST(DeviceList, AStoredIdTheListDoesNotHoldIsOfferedAfterThePorts)
{
    FakeControls controls;
    FakeDeviceListing listing;
    listing.ports = {std::string("a"), std::string("b")};
    DeviceChoice devices{};
    fillDeviceList(controls, kList, devices, listing, 9);
    EXPECT_EQ(controls.listText(kList), "device 9 (not available)");
    EXPECT_EQ(devices.pendingDeviceId, 9);
}

TEST(DeviceList, NoSelectionOrAnIndexOutsideTheListedEntriesKeepsTheChoice)
{
    FakeControls controls;
    FakeDeviceListing listing;
    listing.ports = {std::string("a")};
    DeviceChoice devices{};
    fillDeviceList(controls, kList, devices, listing, 0);
    controls.selection[kList] = -1;
    takeDeviceSelection(controls, kList, devices);
    EXPECT_EQ(devices.pendingDeviceId, 0);
    EXPECT_EQ(devices.selected, 1);
    controls.selection[kList] = 5;  // a list that reports more than it holds
    takeDeviceSelection(controls, kList, devices);
    EXPECT_EQ(devices.pendingDeviceId, 0);
}

TEST(DeviceList, AtMostSixtyThreePortsAreListed)
{
    FakeControls controls;
    FakeDeviceListing listing;
    for (int n = 0; n < 100; ++n)
        listing.ports.push_back("port " + std::to_string(n));
    DeviceChoice devices{};
    fillDeviceList(controls, kList, devices, listing, 80);
    EXPECT_EQ(devices.listedCount, 63);
    EXPECT_EQ(controls.lists[kList].size(), 64u);
    EXPECT_EQ(controls.lists[kList].back(), "port 62");
    EXPECT_EQ(devices.table[63], 62);
    EXPECT_EQ(devices.pendingDeviceId, 80);

    controls.selectListItem(kList, 63);
    takeDeviceSelection(controls, kList, devices);
    EXPECT_EQ(devices.pendingDeviceId, 62);
}

}  // namespace
