// The plug-in, loaded by the stand-in host, from start-up to the changed document.
#include <cmath>
#include <limits>
#include <ostream>
#include <set>

#include "tests/e2e_plugin/story_helpers.hpp"

namespace story {
namespace {

using hostapi::FourCC;
using host::CmykColor;
using host::MakeStop;
using host::RgbColor;

// ---------------------------------------------------------------------------
// Start-up

TEST_F(Story, StartupRegistersTheEffectItsMenuItemTheAboutEntryAndTheNotifier) {
  ASSERT_EQ(h.liveEffects().size(), 1u);
  const auto& registered = h.liveEffects().front();
  EXPECT_EQ(registered.name, "BCBC_Evenhue");
  EXPECT_EQ(registered.title, "Evenhue");
  EXPECT_EQ(registered.majorVersion, 1);
  EXPECT_EQ(registered.minorVersion, 0);
  EXPECT_EQ(registered.prefersAsInput, 0xFFFF);
  EXPECT_EQ(registered.styleFilterFlags, 2);
  EXPECT_EQ(registered.plugin, h.pluginRef());

  ASSERT_EQ(h.liveEffectMenuItems().size(), 1u);
  const auto& effectItem = h.liveEffectMenuItems().front();
  EXPECT_EQ(effectItem.effect, effect);
  EXPECT_EQ(effectItem.itemName, " BC_Evenhue");
  EXPECT_EQ(effectItem.category, " Brimcastle");
  EXPECT_EQ(effectItem.title, "Evenhue");
  EXPECT_EQ(effectItem.options, 0);

  const auto submenuItem = h.findMenuItem("About Brimcastle Plugins");
  ASSERT_TRUE(submenuItem.has_value());
  EXPECT_EQ(submenuItem->groupName, "About");
  EXPECT_EQ(submenuItem->text, "About Brimcastle Plugins");
  EXPECT_EQ(submenuItem->options, 2);
  const auto entry = h.findMenuItem("Evenhue...");
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->groupName, "About Brimcastle Plugins");
  EXPECT_EQ(entry->text, "Evenhue...");
  EXPECT_EQ(entry->options, 1);

  int submenus = 0;
  for (const auto& group : h.menuGroups()) {
    if (group.name != "About Brimcastle Plugins") continue;
    ++submenus;
    EXPECT_EQ(group.options, 8);
    EXPECT_EQ(group.parentItem, submenuItem->handle);
  }
  EXPECT_EQ(submenus, 1);

  std::optional<host::MenuItemRecord> effectMenu;
  for (const auto& item : h.menuItems()) {
    if (item.fromLiveEffect) effectMenu = item;
  }
  ASSERT_TRUE(effectMenu.has_value());
  ASSERT_TRUE(effectMenu->autoUpdate.has_value());
  EXPECT_EQ(effectMenu->autoUpdate->action, 1);
  EXPECT_EQ(effectMenu->autoUpdate->ifMenuItemIsChecked, 0);
  EXPECT_EQ(effectMenu->autoUpdate->ifMenuItemIsEnabled, 0);
  EXPECT_EQ(effectMenu->autoUpdate->ifArtworkIsSelected, -1);
  EXPECT_EQ(effectMenu->autoUpdate->ifDocumentIsOpen, 0);
  EXPECT_EQ(effectMenu->autoUpdate->ifLayerIsEditable, 0);
  EXPECT_EQ(effectMenu->autoUpdate->ifLayerIsVisible, 0);

  ASSERT_EQ(h.notifiers().size(), 3u);
  EXPECT_EQ(h.notifiers()[0].name, "Evenhue App Started Notifier");
  EXPECT_EQ(h.notifiers()[0].type, "AI Application Started Notifier");
  EXPECT_EQ(h.notifiers()[1].name, "Evenhue Application Shutdown Notifier");
  EXPECT_EQ(h.notifiers()[1].type, "AI Application Shutdown Notifier");
  EXPECT_EQ(h.notifiers()[2].name, "Evenhue Apply");
  EXPECT_EQ(h.notifiers()[2].type, "Apply LiveEffect Notifier");
  EXPECT_EQ(h.pluginName(), "Evenhue");
  EXPECT_EQ(h.liveStrings(), 0u) << "every label string was released";
}

struct SharedGroupCase {
  const char* label;
  const char* existing;
  int submenusAfter;
};
// Cases print as their label: the default printer would dump their bytes, padding included.
void PrintTo(const SharedGroupCase& c, std::ostream* os) { *os << c.label; }

class SharedAboutGroup : public ::testing::TestWithParam<SharedGroupCase> {};

TEST_P(SharedAboutGroup, IsCreatedOnlyWhenNoGroupHasExactlyItsName) {
  host::Host h(Options());
  h.addMenuGroup(GetParam().existing);
  ASSERT_EQ(h.startup(), 0);
  int submenus = 0;
  for (const auto& group : h.menuGroups()) submenus += group.name == "About Brimcastle Plugins";
  EXPECT_EQ(submenus, GetParam().submenusAfter);
  const bool siblingMadeIt = GetParam().existing == std::string("About Brimcastle Plugins");
  EXPECT_EQ(h.findMenuItem("About Brimcastle Plugins").has_value(), !siblingMadeIt);
  const auto entry = h.findMenuItem("Evenhue...");
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->groupName, "About Brimcastle Plugins");
  EXPECT_EQ(h.shutdown(), 0);
}

INSTANTIATE_TEST_SUITE_P(Groups, SharedAboutGroup,
                         ::testing::Values(SharedGroupCase{"SiblingMadeIt", "About Brimcastle Plugins", 1},
                                           SharedGroupCase{"OtherCase", "about brimcastle plugins", 1},
                                           SharedGroupCase{"Unrelated", "Brimcastle", 1}),
                         [](const auto& info) { return std::string(info.param.label); });

// ---------------------------------------------------------------------------
// Edit parameters, other effects, notifications

TEST_F(Story, EditParametersHandsTheContextBackWithoutADialog) {
  const auto context = reinterpret_cast<hostapi::LiveEffectEditContext>(std::uintptr_t{0xC0DE});
  EXPECT_EQ(h.editParameters(effect, context), 0);
  ASSERT_EQ(h.updatedParameters().size(), 1u);
  EXPECT_EQ(h.updatedParameters().front(), context);
  EXPECT_TRUE(h.alerts().empty());

  const auto other = reinterpret_cast<hostapi::LiveEffectHandle>(std::uintptr_t{0xBAD});
  EXPECT_EQ(h.editParameters(other, context), 0);
  EXPECT_EQ(h.updatedParameters().size(), 1u);
}

TEST_F(Story, AnotherEffectsMessagesChangeNothing) {
  const auto source = Gradient(h, {MakeStop(0, RgbColor(1, 0, 0)), MakeStop(100, RgbColor(0, 0, 1))});
  const auto path = Path(h, nullptr, host::GradientColor(source), std::nullopt);
  const auto other = reinterpret_cast<hostapi::LiveEffectHandle>(std::uintptr_t{0xBAD});
  EXPECT_EQ(h.goLive(other, path), 0);
  EXPECT_EQ(fillGradient(path), source);
  EXPECT_EQ(h.document().styleWrites(path), 0u);
}

TEST_F(Story, ApplyNotificationsChangeNothing) {
  const auto source = Gradient(h, {MakeStop(0, RgbColor(1, 0, 0)), MakeStop(100, RgbColor(0, 0, 1))});
  const auto path = Path(h, nullptr, host::GradientColor(source), std::nullopt);
  const std::size_t gradients = h.document().gradientCount();
  for (hostapi::ResultCode result : h.notify("Apply LiveEffect Notifier")) EXPECT_EQ(result, 0);
  EXPECT_EQ(h.sendNotification(h.notifiers()[2].handle), 0);
  EXPECT_EQ(h.document().styleWrites(path), 0u);
  EXPECT_EQ(h.document().gradientCount(), gradients);
}

TEST_F(Story, MenuUpdateAnswersWhatTheHostsFlagsQueryAnswers) {
  EXPECT_EQ(h.updateMenuItem(h.findMenuItem("Evenhue...")->handle), 0);
  h.recorder().failOn(hostapi::MenuSuite::kName, 25, 1, FourCC("FLAG"));
  EXPECT_EQ(h.updateMenuItem(nullptr), FourCC("FLAG"));
}

// ---------------------------------------------------------------------------
// About

TEST_F(Story, TheAboutEntryShowsTheTextThenOpensTheProductPage) {
  const auto entry = h.findMenuItem("Evenhue...");
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(h.chooseMenuItem(entry->handle), 0);
  ASSERT_EQ(h.alerts().size(), 1u);
  EXPECT_EQ(h.alerts().front().rfind("Evenhue v1.0.0 \n\n", 0), 0u);
  const std::string maker = h.alerts().front().substr(17);
  ASSERT_GE(maker.size(), 8u);
  const std::string date = maker.substr(maker.size() - 7);
  EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(date[0])) && date[4] == '/' &&
              std::isdigit(static_cast<unsigned char>(date[6])))
      << date;
  ASSERT_EQ(h.openedUrls().size(), 1u);
  EXPECT_EQ(h.openedUrls().front().rfind("https://", 0), 0u);
  EXPECT_NE(h.openedUrls().front().find("/digital-downloads/evenhue"), std::string::npos);
  EXPECT_EQ(h.liveStrings(), 0u);

  h.setBrowserAvailable(false);
  EXPECT_EQ(h.chooseMenuItem(entry->handle), 0);
  EXPECT_EQ(h.alerts().size(), 2u);
  EXPECT_EQ(h.openedUrls().size(), 1u) << "no page without a browser";

  EXPECT_EQ(h.chooseMenuItem(h.findMenuItem("About Brimcastle Plugins")->handle), 0);
  EXPECT_EQ(h.alerts().size(), 2u) << "other items show nothing";
}

// ---------------------------------------------------------------------------
// Go Live on a document with every kind of art

TEST_F(Story, GoLiveRespacesEveryGradientFillAndStrokeOfTheArt) {
  host::Document& doc = h.document();
  const std::vector<hostapi::HostGradientStop> twoStops = {MakeStop(0, RgbColor(1, 0, 0)),
                                                           MakeStop(100, RgbColor(0, 0, 1))};
  const std::vector<hostapi::HostGradientStop> cmykStops = {MakeStop(0, CmykColor(1, 0, 0, 0)),
                                                            MakeStop(40, CmykColor(0, 1, 1, 0), 30),
                                                            MakeStop(100, CmykColor(0, 0, 0, 0.5))};
  const std::vector<hostapi::HostGradientStop> otherKind = {MakeStop(0, RgbColor(1, 1, 1)),
                                                            MakeStop(100, host::OtherColor(2), 50, 0.5)};
  const std::vector<hostapi::HostGradientStop> midpoints = {MakeStop(0, RgbColor(1, 1, 0), 5),
                                                            MakeStop(50, RgbColor(0, 1, 1), 95),
                                                            MakeStop(100, RgbColor(1, 0, 1))};
  const std::vector<hostapi::HostGradientStop> fading = {MakeStop(0, RgbColor(0, 0.5, 0), 50, 1.0),
                                                         MakeStop(100, RgbColor(0, 0.5, 0), 50, 0.0)};

  const auto top = doc.newGroup();
  const auto solidStroke = Path(h, top, MarkedGradientColor(Gradient(h, twoStops)), RgbColor(0.2, 0.3, 0.4));
  const auto plain = Path(h, top, RgbColor(0.5, 0.5, 0.5), std::nullopt);
  const auto compound = Path(h, top, host::GradientColor(Gradient(h, twoStops)), std::nullopt, hostapi::kArtCompoundPath);
  const auto member = Path(h, compound, host::GradientColor(Gradient(h, twoStops)), std::nullopt);
  const auto outer = doc.newGroup(top);
  const auto inner = doc.newGroup(outer);
  const auto deep = Path(h, inner, std::nullopt, host::GradientColor(Gradient(h, cmykStops)));
  const auto shared = Gradient(h, twoStops);
  const auto firstSharer = Path(h, top, host::GradientColor(shared), host::GradientColor(shared));
  const auto secondSharer = Path(h, outer, host::GradientColor(shared), std::nullopt);
  const auto radial = Path(h, top, host::GradientColor(Gradient(h, twoStops, host::kGradientRadial)), std::nullopt);
  const auto blackStop = Path(h, top, host::GradientColor(Gradient(h, otherKind)), std::nullopt);
  const auto clamped = Path(h, top, host::GradientColor(Gradient(h, midpoints)), std::nullopt);
  const auto faded = Path(h, top, host::GradientColor(Gradient(h, fading)), std::nullopt);
  const auto unpainted = Path(h, top, std::nullopt, std::nullopt);
  {
    // A gradient colour that is not painted stays as it is.
    auto style = doc.pathStyle(unpainted).value();
    style.fillColor = host::GradientColor(Gradient(h, twoStops));
    doc.setPathStyle(unpainted, style);
  }
  const auto other = doc.newOtherArt(top);
  const auto underOther = Path(h, other, host::GradientColor(Gradient(h, twoStops)), std::nullopt);

  std::vector<std::pair<hostapi::ArtHandle, hostapi::HostPathStyle>> before;
  for (auto art : {solidStroke, plain, compound, member, deep, firstSharer, secondSharer, radial, blackStop, clamped,
                   faded, unpainted, underOther}) {
    before.emplace_back(art, style(art));
  }
  const auto stopsOf = [&](hostapi::GradientHandle g) { return doc.stops(g); };
  const auto styleBefore = [&](hostapi::ArtHandle art) {
    for (const auto& [a, s] : before) {
      if (a == art) return s;
    }
    return hostapi::HostPathStyle{};
  };
  const auto sharedBefore = stopsOf(shared);

  EXPECT_EQ(h.goLive(effect, top), 0);

  // Exactly the art with a painted gradient fill or stroke got new gradients;
  // every byte of the record but the handles stayed.
  const auto expectRecordKept = [&](hostapi::ArtHandle art, bool fillChanges, bool strokeChanges) {
    hostapi::HostPathStyle now = style(art);
    hostapi::HostPathStyle was = styleBefore(art);
    EXPECT_EQ(now.fillColor.body.gradient.gradient != was.fillColor.body.gradient.gradient, fillChanges);
    EXPECT_EQ(now.strokeColor.body.gradient.gradient != was.strokeColor.body.gradient.gradient, strokeChanges);
    now.fillColor.body.gradient.gradient = was.fillColor.body.gradient.gradient;
    now.strokeColor.body.gradient.gradient = was.strokeColor.body.gradient.gradient;
    EXPECT_TRUE(SameBytes(&now, &was, sizeof now));
  };
  expectRecordKept(solidStroke, true, false);
  expectRecordKept(plain, false, false);
  expectRecordKept(compound, true, false);
  expectRecordKept(member, false, false);
  expectRecordKept(deep, false, true);
  expectRecordKept(firstSharer, true, true);
  expectRecordKept(secondSharer, true, false);
  expectRecordKept(radial, true, false);
  expectRecordKept(blackStop, true, false);
  expectRecordKept(clamped, true, false);
  expectRecordKept(faded, true, false);
  expectRecordKept(unpainted, false, false);
  expectRecordKept(underOther, false, false);

  EXPECT_EQ(doc.styleWrites(plain), 1u) << "read and written back once, unchanged";
  EXPECT_EQ(doc.styleWrites(compound), 1u);
  EXPECT_EQ(doc.styleWrites(member), 0u) << "members of a compound path are not visited";
  EXPECT_EQ(doc.styleWrites(underOther), 0u) << "only groups are descended into";

  ExpectRespaced(h, fillGradient(solidStroke), twoStops);
  ExpectRespaced(h, fillGradient(compound), twoStops);
  ExpectRespaced(h, strokeGradient(deep), cmykStops);
  ExpectRespaced(h, fillGradient(blackStop), otherKind);
  ExpectRespaced(h, fillGradient(clamped), midpoints);
  ExpectRespaced(h, fillGradient(faded), fading);

  // Shape of the results, stated independently of the colour core.
  const auto five = doc.stops(fillGradient(solidStroke));
  ASSERT_EQ(five.size(), 5u);
  for (std::size_t k = 0; k < 5; ++k) EXPECT_DOUBLE_EQ(five[k].rampPoint, 25.0 * static_cast<double>(k));
  EXPECT_EQ(doc.stops(strokeGradient(deep)).size(), 9u);
  for (const auto& stop : doc.stops(fillGradient(clamped))) {
    EXPECT_GE(stop.midPoint, 13.0 - 1e-9);
    EXPECT_LE(stop.midPoint, 87.0 + 1e-9);
  }
  EXPECT_NEAR(doc.stops(fillGradient(clamped)).front().midPoint, 13.0, 1e-9);
  EXPECT_NEAR(doc.stops(fillGradient(clamped)).back().midPoint, 87.0, 1e-9) << "95 is written back as 87";
  const auto fade = doc.stops(fillGradient(faded));
  EXPECT_DOUBLE_EQ(fade.front().opacity, 1.0);
  EXPECT_DOUBLE_EQ(fade.back().opacity, 0.0);
  for (std::size_t k = 1; k < fade.size(); ++k) EXPECT_LT(fade[k].opacity, fade[k - 1].opacity);
  const auto black = doc.stops(fillGradient(blackStop));
  EXPECT_EQ(black.back().color.body.rgb.red, 0.0);
  EXPECT_EQ(black.back().opacity, 0.5);

  EXPECT_EQ(doc.gradientType(fillGradient(radial)), host::kGradientRadial);
  EXPECT_EQ(doc.gradientType(fillGradient(solidStroke)), host::kGradientLinear);

  // Each use of the shared gradient has its own new one; the source is untouched.
  const std::set<hostapi::GradientHandle> distinct = {fillGradient(firstSharer), strokeGradient(firstSharer),
                                                      fillGradient(secondSharer)};
  EXPECT_EQ(distinct.size(), 3u);
  EXPECT_EQ(distinct.count(shared), 0u);
  const auto sharedAfter = stopsOf(shared);
  ASSERT_EQ(sharedAfter.size(), sharedBefore.size());
  for (std::size_t i = 0; i < sharedAfter.size(); ++i) {
    EXPECT_TRUE(SameBytes(&sharedAfter[i], &sharedBefore[i], sizeof sharedAfter[i]));
  }
}

TEST_F(Story, MidpointsAreWrittenBackAsTheFractionTimesOneHundred) {
  // A 55 % midpoint is the fraction 0.55 inside the effect. Written back it is
  // that fraction x 100, 55.00000000000001 in doubles; dividing by 0.01 instead
  // rounds to 55 exactly, a different double.
  const std::vector<hostapi::HostGradientStop> stops = {MakeStop(0, RgbColor(1, 0, 0), 55),
                                                        MakeStop(100, RgbColor(0, 0, 1), 55)};
  const auto path = Path(h, nullptr, host::GradientColor(Gradient(h, stops)), std::nullopt);
  ASSERT_EQ(h.goLive(effect, path), 0);
  const auto written = h.document().stops(fillGradient(path));
  ASSERT_EQ(written.size(), 5u);
  for (const auto& stop : written) EXPECT_EQ(stop.midPoint, 0.55 * 100.0);
}

TEST_F(Story, ATopLevelPathIsRewrittenDirectly) {
  const std::vector<hostapi::HostGradientStop> stops = {MakeStop(0, RgbColor(0, 0, 0)), MakeStop(100, RgbColor(1, 1, 1))};
  const auto source = Gradient(h, stops);
  const auto path = Path(h, nullptr, host::GradientColor(source), std::nullopt);
  EXPECT_EQ(h.goLive(effect, path), 0);
  ExpectRespaced(h, fillGradient(path), stops);
}

TEST_F(Story, ACancelReturnsStopAfterTheRewrite) {
  const std::vector<hostapi::HostGradientStop> stops = {MakeStop(0, RgbColor(0, 0, 0)), MakeStop(100, RgbColor(1, 1, 1))};
  const auto group = h.document().newGroup();
  const auto path = Path(h, group, host::GradientColor(Gradient(h, stops)), std::nullopt);
  h.setCancel(true);
  EXPECT_EQ(h.goLive(effect, group), FourCC("STOP"));
  ExpectRespaced(h, fillGradient(path), stops);
}

TEST_F(Story, AFailingArtTypeQueryRewritesNothing) {
  const auto path = Path(h, nullptr, host::GradientColor(Gradient(h, {MakeStop(0, RgbColor(0, 0, 0)),
                                                                         MakeStop(100, RgbColor(1, 1, 1))})),
                         std::nullopt);
  const auto source = fillGradient(path);
  h.recorder().failOn(hostapi::ArtSuite::kName, 6, 1, FourCC("TYPE"));
  EXPECT_EQ(h.goLive(effect, path), FourCC("TYPE"));
  EXPECT_EQ(fillGradient(path), source);
}

TEST_F(Story, EverythingStillWorksAfterUnloadAndReload) {
  const std::string firstFile = h.loadedPath();
  ASSERT_EQ(h.unload(), 0);
  EXPECT_EQ(h.totalHeld(), 0);
  ASSERT_EQ(h.reload(), 0);
  EXPECT_NE(h.loadedPath(), firstFile);
  EXPECT_EQ(h.totalHeld(), 93);

  const std::vector<hostapi::HostGradientStop> stops = {MakeStop(0, RgbColor(1, 0, 0)), MakeStop(100, RgbColor(0, 1, 0))};
  const auto group = h.document().newGroup();
  const auto path = Path(h, group, host::GradientColor(Gradient(h, stops)), std::nullopt);
  EXPECT_EQ(h.goLive(effect, group), 0);
  ExpectRespaced(h, fillGradient(path), stops);

  const auto entry = h.findMenuItem("Evenhue...");
  EXPECT_EQ(h.chooseMenuItem(entry->handle), 0);
  EXPECT_EQ(h.alerts().size(), 1u);
  const auto context = reinterpret_cast<hostapi::LiveEffectEditContext>(std::uintptr_t{0x77});
  EXPECT_EQ(h.editParameters(effect, context), 0);
  EXPECT_EQ(h.updatedParameters().size(), 1u);
  EXPECT_EQ(h.sendNotification(h.notifiers()[2].handle), 0);
}

}  // namespace
}  // namespace story
