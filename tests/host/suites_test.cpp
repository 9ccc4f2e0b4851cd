// The basic suite interface and preferences.
#include "shell/host/slots.h"
#include "tests/support/host_fixture.h"

namespace vx::test {
namespace {

using namespace vx::host;

TEST(BasicSuite, OffersEveryTableEntryAndRefusesOthers) {
  StandInHost host;
  for (auto table : {FrameSuiteTable(), ProgramSuiteTable()})
    for (const SuiteEntry& e : table) {
      const void* s = nullptr;
      EXPECT_EQ(host.Basic().AcquireSuite(e.name, e.version, &s), kNoErr) << e.name;
      EXPECT_NE(s, nullptr) << e.name;
      EXPECT_EQ(host.Basic().ReleaseSuite(e.name, e.version), kNoErr) << e.name;
    }
  EXPECT_EQ(FrameSuiteTable().size(), 7u);
  EXPECT_EQ(ProgramSuiteTable().size(), 123u);
  const void* s = nullptr;
  EXPECT_EQ(host.Basic().AcquireSuite("AI Art Suite", 16, &s), kNotFound) << "wrong version";
  EXPECT_EQ(host.Basic().AcquireSuite("No Such Suite", 1, &s), kNotFound);
  host.RemoveSuite("AI Tag Suite");
  EXPECT_EQ(host.Basic().AcquireSuite("AI Tag Suite", 4, &s), kNotFound);
  EXPECT_EQ(host.Basic().ReleaseSuite("AI Art Suite", 17), kBadParameter) << "released more often than acquired";
}

// The suite slots are process-wide: a second host must not take them over, nor clear them when it
// goes.
TEST(BasicSuite, OnlyOneHostExistsAtATime) {
  StandInHost host;
  host.FillSlots();
  EXPECT_THROW(StandInHost second, std::logic_error);
  EXPECT_EQ(StandInHost::Current(), &host);
  EXPECT_NE(sArt(), nullptr) << "the first host's suites are still in their slots";
}

TEST(Preferences, PersistBetweenRunsByTypeAndKey) {
  TempDir dir;
  const auto file = dir / "prefs" / "preferences.json";
  {
    StandInHost host;
    host.SetPreferencesFile(file);
    host.FillSlots();
    sPreference()->PutInteger("Varnox-Dirir4.5", "importInXYKei", 9);
    sPreference()->PutBoolean("Varnox-Dirir4.5", "importLimitArea", true);
    sPreference()->PutReal("Varnox-Dirir4.5", "scale", 25000.5);
    sPreference()->PutFilePath("Varnox-Dirir4.5", "importShapeDir", std::filesystem::path(u8"/データ/地図"));
    std::string error;
    ASSERT_TRUE(host.SavePreferences(error)) << error;
  }
  StandInHost host;
  host.SetPreferencesFile(file);
  host.FillSlots();
  std::int32_t i = 0;
  bool b = false;
  double r = 0;
  std::filesystem::path p;
  EXPECT_EQ(sPreference()->GetInteger("Varnox-Dirir4.5", "importInXYKei", i), kNoErr);
  EXPECT_EQ(i, 9);
  EXPECT_EQ(sPreference()->GetBoolean("Varnox-Dirir4.5", "importLimitArea", b), kNoErr);
  EXPECT_TRUE(b);
  EXPECT_EQ(sPreference()->GetReal("Varnox-Dirir4.5", "scale", r), kNoErr);
  EXPECT_EQ(r, 25000.5);
  EXPECT_EQ(sPreference()->GetFilePath("Varnox-Dirir4.5", "importShapeDir", p), kNoErr);
  EXPECT_EQ(p, std::filesystem::path(u8"/データ/地図"));
  // A key that is not stored, or stored with another type, leaves the value alone.
  i = 42;
  EXPECT_EQ(sPreference()->GetInteger("Varnox-Dirir4.5", "importLimitArea", i), kNotFound);
  EXPECT_EQ(sPreference()->GetInteger("Varnox-Dirir4.5", "missing", i), kNotFound);
  EXPECT_EQ(i, 42);
}

}  // namespace
}  // namespace vx::test
