// The Live Effect and the apply notifier: registration and message handlers.
#include <cstdint>

#include "plugin/evenhue_plugin.hpp"
#include "plugin/guarded.hpp"
#include "plugin/product_texts.hpp"
#include "framework/suite_slots.hpp"

using hostapi::ResultCode;

namespace {

constexpr std::int32_t kEffectMajorVersion = 1;
constexpr std::int32_t kEffectMinorVersion = 0;
constexpr std::int32_t kPrefersAnyInput = 0xFFFF;
constexpr std::int32_t kEffectFilterFlags = 2;
constexpr std::int32_t kAutoUpdateAction = 1;

}  // namespace

ResultCode EvenhuePlugin::RegisterLiveEffect(Message* message) {
  const hostapi::LiveEffectRegistration registration{message->pluginRef,    evenhue_texts::kEffectName,
                                                     evenhue_texts::kEffectTitle, kEffectMajorVersion,
                                                     kEffectMinorVersion,   kPrefersAnyInput,
                                                     kEffectFilterFlags};
  // The three registrations run in turn whatever the one before gave; the
  // answer is the last one's. A refused effect leaves liveEffect null, so no
  // message is taken for it, and a menu item for a null effect is the host's
  // to refuse.
  hostapi::ResultUnused(slots::Slot<hostapi::LiveEffectSuite>()->AddLiveEffect(&registration, &liveEffect));

  const hostapi::LiveEffectMenuData menuData{evenhue_texts::kEffectCategory, evenhue_texts::kEffectTitle, 0, 0};
  char itemName[sizeof evenhue_texts::kEffectMenuItemName];
  CopyBounded(itemName, sizeof itemName, evenhue_texts::kEffectMenuItemName);
  hostapi::MenuItemHandle item = nullptr;
  hostapi::ResultUnused(
      slots::Slot<hostapi::LiveEffectSuite>()->AddLiveEffectMenuItem(liveEffect, itemName, &menuData, &item, nullptr));

  return slots::Slot<hostapi::MenuSuite>()->UpdateMenuItemAutomatically(item, kAutoUpdateAction, 0, 0, -1, 0, 0, 0);
}

ResultCode EvenhuePlugin::RegisterApplyNotifier(Message*) {
  return slots::Slot<hostapi::NotifierSuite>()->AddNotifier(pluginRef, evenhue_texts::kApplyNotifierName,
                                                             evenhue_texts::kApplyNotifierType, &applyNotifier);
}

ResultCode EvenhuePlugin::onLiveEffectEditParameters(Message* message) {
  const auto* edit = reinterpret_cast<const hostapi::LiveEffectEditParamMessage*>(message);
  if (edit->effect != liveEffect) return 0;
  slots::Slot<hostapi::LiveEffectSuite>()->UpdateParameters(edit->context);
  return 0;
}

ResultCode EvenhuePlugin::onLiveEffectGoLive(Message* message) {
  const auto* go = reinterpret_cast<const hostapi::LiveEffectGoMessage*>(message);
  if (go->effect != liveEffect) return 0;
  return ApplyEffect(message);
}

ResultCode EvenhuePlugin::ApplyEffect(Message* message) {
  const hostapi::ArtHandle art = reinterpret_cast<const hostapi::LiveEffectGoMessage*>(message)->art;
  std::int16_t type = 0;
  if (ResultCode result = slots::Slot<hostapi::ArtSuite>()->GetArtType(art, &type); result != 0) return result;
  WalkArt(art);
  return slots::Slot<hostapi::UserSuite>()->Cancel() != 0 ? hostapi::kCanceled : 0;
}

ResultCode EvenhuePlugin::onNotify(Message* message) {
  const auto* notification = reinterpret_cast<const hostapi::NotifierMessage*>(message);
  if (notification->notifier != applyNotifier) return 0;
  bool threw = true;
  const ResultCode result = Guarded([&] {
    onLiveEffectGoLive(message);
    threw = false;
    return ResultCode{0};
  });
  return threw ? result : 0;
}

ResultCode EvenhuePlugin::onMenuUpdate(Message*) {
  std::int32_t inArtwork = 0;
  std::int32_t isSelected = 0;
  std::int32_t isTrue = 0;
  return slots::Slot<hostapi::MenuSuite>()->GetUpdateFlags(&inArtwork, &isSelected, &isTrue);
}
