#include "data/memory_settings_store.h"
#include "data/settings_store.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

namespace candlewatcher {
namespace {

struct StoredCase {
    std::optional<std::string> Warn, WarnDays; // nullopt: never saved
    double ExpectedWarn, ExpectedWarnDays;
};

class LoadWarnSettingsTest : public ::testing::TestWithParam<StoredCase> {};

TEST_P(LoadWarnSettingsTest, ReadsTheStoredTextsAsNumbers) {
    const StoredCase& c = GetParam();
    MemorySettingsStore store;
    if (c.Warn)
        store.Put("Candlewatcher", "Settings", "Warn", *c.Warn);
    if (c.WarnDays)
        store.Put("Candlewatcher", "Settings", "Warn Days", *c.WarnDays);
    WarnSettings settings = LoadWarnSettings(store);
    EXPECT_EQ(settings.Warn, c.ExpectedWarn) << "Warn \"" << c.Warn.value_or("(absent)") << "\"";
    EXPECT_EQ(settings.WarnDays, c.ExpectedWarnDays)
        << "Warn Days \"" << c.WarnDays.value_or("(absent)") << "\"";
    EXPECT_TRUE(store.Saves().empty());
}

INSTANTIATE_TEST_SUITE_P(Texts, LoadWarnSettingsTest,
                         ::testing::Values(StoredCase{std::nullopt, std::nullopt, 1, 10},
                                           StoredCase{"0", std::nullopt, 0, 10}, StoredCase{"1", "", 1, 0},
                                           StoredCase{"1", "7x", 1, 7}, StoredCase{"1", "x7", 1, 0},
                                           StoredCase{"1.0", "2.5", 1, 2.5}, StoredCase{"2", "-3", 2, -3},
                                           StoredCase{"&H1", " 1 4", 1, 14}));

TEST(LoadWarnSettings, ReadingCreatesNothingAndUsesOnlyItsOwnSection) {
    MemorySettingsStore store;
    store.Put("Candlewatcher", "Other", "Warn", "0");
    store.Put("Other", "Settings", "Warn Days", "3");
    store.Put("Candlewatcher", "Settings", "warn", "0");
    WarnSettings settings = LoadWarnSettings(store);
    EXPECT_EQ(settings.Warn, 1);
    EXPECT_EQ(settings.WarnDays, 10);
    EXPECT_FALSE(store.Contains("Candlewatcher", "Settings", "Warn"));
    EXPECT_FALSE(store.Contains("Candlewatcher", "Settings", "Warn Days"));
}

TEST(SaveWarnSettings, WritesWarnThenWarnDaysExactlyAsGivenEveryTime) {
    MemorySettingsStore store;
    SaveWarnSettings(store, "1", " 7 ");
    SaveWarnSettings(store, "1", " 7 ");
    SaveWarnSettings(store, "0", "");
    using Save = MemorySettingsStore::Save;
    std::vector<Save> expected{
        {"Candlewatcher", "Settings", "Warn", "1"}, {"Candlewatcher", "Settings", "Warn Days", " 7 "},
        {"Candlewatcher", "Settings", "Warn", "1"}, {"Candlewatcher", "Settings", "Warn Days", " 7 "},
        {"Candlewatcher", "Settings", "Warn", "0"}, {"Candlewatcher", "Settings", "Warn Days", ""}};
    EXPECT_EQ(store.Saves(), expected);
    WarnSettings settings = LoadWarnSettings(store);
    EXPECT_EQ(settings.Warn, 0);
    EXPECT_EQ(settings.WarnDays, 0);
}

TEST(SaveWarnSettings, AFailingStoreIsReportedToTheCaller) {
    MemorySettingsStore store;
    store.FailSavesAfter(1);
    EXPECT_THROW(SaveWarnSettings(store, "0", "3"), std::runtime_error);
    ASSERT_EQ(store.Saves().size(), 1u);
    EXPECT_EQ(store.Saves()[0].Key, "Warn");
    EXPECT_EQ(store.GetSetting("Candlewatcher", "Settings", "Warn Days", "10"), "10");
}

} // namespace
} // namespace candlewatcher
