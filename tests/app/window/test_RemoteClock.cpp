// The remote clock: the "\\" rules, the time-zone arithmetic, the locale's
// general date format and the "&Get Date/Time" box.
#include <gtest/gtest.h>

#include <QPushButton>

#include "GuiTestEnvironment.h"
#include "app/window/GeneralDate.h"
#include "app/window/GetRemoteTime.h"
#include "app/window/modMain.h"
#include "support/ScriptedProvider.h"

using app::DateTimeValue;

namespace {

std::optional<DateTimeValue> Local(unsigned year, unsigned month, unsigned day, unsigned hour,
                                   unsigned minute, int timezone) {
    return app::ServerLocalTime({.tod_hours = hour, .tod_mins = minute, .tod_secs = 15, .tod_timezone = timezone,
                                 .tod_day = day, .tod_month = month, .tod_year = year});
}

TEST(RemoteClock, TheZoneIsSubtractedAcrossMidnightMonthsAndYears) {
    EXPECT_EQ(Local(2026, 3, 5, 2, 30, 300), (DateTimeValue{2026, 3, 4, 21, 30, 15}));
    EXPECT_EQ(Local(2026, 3, 5, 23, 30, -60), (DateTimeValue{2026, 3, 6, 0, 30, 15}));
    EXPECT_EQ(Local(2026, 1, 1, 0, 10, 60), (DateTimeValue{2025, 12, 31, 23, 10, 15}));
    EXPECT_EQ(Local(2024, 2, 28, 23, 30, -60), (DateTimeValue{2024, 2, 29, 0, 30, 15}));
    // -1: the server does not say its zone; its UTC time, not a minute off.
    EXPECT_EQ(Local(2026, 3, 5, 2, 30, -1), (DateTimeValue{2026, 3, 5, 2, 30, 15}));
    // Not a calendar date, or hours no calendar holds: unreadable.
    EXPECT_EQ(Local(2026, 2, 30, 0, 0, 0), std::nullopt);
    EXPECT_EQ(Local(9999, 12, 31, 0xFFFFFFF, 0, 0), std::nullopt);
}

TEST(RemoteClock, BackslashesAddedOnlyWhereMissingAndTheLocaleFormat) {
    EXPECT_EQ(app::ClockServerArgument(u"  "), u"");
    EXPECT_EQ(app::ClockServerArgument(u"SRV"), u"\\\\SRV");
    EXPECT_EQ(app::ClockServerArgument(u"\\\\SRV"), u"\\\\SRV");
    EXPECT_EQ(app::ClockServerArgument(u"\\SRV"), u"\\\\\\SRV");

    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(app::FormatGeneralDate({2026, 3, 4, 0, 0, 0}, us), "3/4/26");
    EXPECT_EQ(app::FormatGeneralDate({2026, 3, 4, 21, 30, 15}, us), "3/4/26 9:30:15 PM");
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(app::FormatGeneralDate({2026, 3, 4, 0, 0, 1}, german), "04.03.26 00:00:01");
}

TEST(RemoteClock, TheButtonShowsTheChosenComputersClockOrNA) {
    gui_test::RemoveSettings();
    gui_test::Doubles doubles;
    testing_support::ScriptedNetwork net;
    auto& p = net.provider();
    // 2026-03-05 02:30:00 UTC, five hours west.
    p.timeOfDay = {.hours = 2, .mins = 30, .timezone = 300, .day = 5, .month = 3, .year = 2026};
    app::frmMain window;
    window.Load();

    window.Command2->click();
    EXPECT_EQ(p.CallsNamed("NetRemoteTOD").at(0).args[0], netapi::OptString(u""));
    const auto& asked = doubles.prompts().asked();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "**LOCAL**");
    EXPECT_EQ(asked[0].icon, common::Prompts::Icon::None);
    EXPECT_EQ(asked[0].text, app::FormatGeneralDate({2026, 3, 4, 21, 30, 0}, QLocale()));

    p.servers = {netapi::NERR_Success, {netapi::ServerInfo101{}}, 1};
    p.servers.records[0].name = u"SRV";
    gui_test::Pick(window.cboComputerType, "All Servers");
    p.fail["NetRemoteTOD"] = netapi::ERROR_BAD_NETPATH;
    window.Command2->click();
    EXPECT_EQ(p.CallsNamed("NetRemoteTOD").at(1).args[0], netapi::OptString(u"\\\\SRV"));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].text, "N/A");
    EXPECT_EQ(asked[1].title, "SRV");
    EXPECT_EQ(netapi::LiveBufferCount(), 0u);
}

}  // namespace
