// The converter inside the stand-in host: grid file beside the plug-in file, warning as an alert.
#include "geodesy/host_services.h"
#include "tests/geodesy/codes.h"
#include "synthetic_grid.h"
#include "tests/support/host_fixture.h"

namespace vx::geo {
namespace {

host::Err NoEntry(const char*, const char*, void*) { return host::kNoErr; }

class ConverterInHost : public ::vx::test::HostFixture {};

TEST_F(ConverterInHost, FindsTheGridBesideThePluginAndWarnsWithoutIt) {
  const auto dir = geo::test::ScratchDir("converter_in_host");
  const host::PluginRef plugin = host->LoadPlugin(&NoEntry, dir / "VxShape.aip");
  host->FillSlots();

  CCoordConverter missing(HostConverterServices(plugin));
  EXPECT_FALSE(missing.Setup(Sys(1, 3, 9, 0), Sys(2, 3, 9, 0)));
  ASSERT_EQ(user->Alerts().size(), 1u);
  EXPECT_EQ(user->Alerts()[0].kind, host::AlertKind::Warning);
  EXPECT_EQ(user->Alerts()[0].text, "測地系変換パラメータファイルを開けません");

  geo::test::WriteParameterList(dir / "field.par", {5339});
  ASSERT_TRUE(ConvertShiftText(dir / "field.par", dir / kShiftGridFileName));
  CCoordConverter found(HostConverterServices(plugin));
  const bool ok = found.Setup(Sys(1, 3, 9, 0), Sys(2, 3, 9, 0));
  std::filesystem::remove(dir / kShiftGridFileName);  // a made-up grid must not stay under that name
  EXPECT_TRUE(ok);
  EXPECT_EQ(found.SourceEngine().Grid().Size(), 6400u);
  EXPECT_EQ(user->Alerts().size(), 1u);
}

}  // namespace
}  // namespace vx::geo
