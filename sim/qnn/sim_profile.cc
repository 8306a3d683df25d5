// Profile handles and the events they report: the events set by
// SetProfileEvents (or the scenario file), as they stand when
// profileGetEvents is called. Each profileGetEvents builds fresh event ids
// for its handle; ids of the handle's earlier answer then stop being valid,
// and all of them stop with profileFree.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "absl/strings/str_cat.h"
#include "absl/strings/str_format.h"
#include "sim/qnn/sim_core_functions.h"
#include "sim/qnn/sim_internal.h"
#include "sim/qnn/sim_state.h"

namespace vantro::sim::internal {
namespace {

constexpr char kBackend[] = "backend";
constexpr char kProfile[] = "profile";

void DropEventsLocked(SimState& state, ProfileData& data) {
  for (const auto& node : data.nodes) {
    for (QnnProfile_EventId_t id : node->sub_ids) state.events.erase(id);
  }
  for (QnnProfile_EventId_t id : data.top_ids) state.events.erase(id);
  data.nodes.clear();
  data.top_ids.clear();
}

QnnProfile_EventId_t AddEventLocked(SimState& state, ProfileData& data, const ProfileEvent& event) {
  auto node = std::make_unique<EventNode>();
  node->identifier = event.identifier;
  node->type = event.type;
  node->unit = event.unit;
  node->value = event.value;
  EventNode* raw = node.get();
  data.nodes.push_back(std::move(node));
  const QnnProfile_EventId_t id = state.next_event_id++;
  state.events[id] = raw;
  for (const ProfileEvent& sub : event.sub_events) {
    raw->sub_ids.push_back(AddEventLocked(state, data, sub));
  }
  return id;
}

}  // namespace

Qnn_ErrorHandle_t ProfileCreate(Qnn_BackendHandle_t backend, QnnProfile_Level_t level,
                                Qnn_ProfileHandle_t* profile) {
  const Qnn_ErrorHandle_t entered = EnterCall("profileCreate", [&] {
    return absl::StrFormat("backend=%s level=%u", FormatHandle(backend), level);
  });
  if (entered != QNN_SUCCESS) return entered;
  if (profile == nullptr || level == 0) return kSimInvalidArgument;
  StateGuard state;
  if (!IsLiveLocked(*state, kBackend, backend)) return kSimInvalidHandle;
  void* handle = NewHandleLocked(*state, kProfile, backend);
  state->profiles[handle].level = level;
  *profile = handle;
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t ProfileGetEvents(Qnn_ProfileHandle_t profile,
                                   const QnnProfile_EventId_t** events, uint32_t* num_events) {
  const Qnn_ErrorHandle_t entered = EnterCall(
      "profileGetEvents", [&] { return absl::StrCat("profile=", FormatHandle(profile)); });
  if (entered != QNN_SUCCESS) return entered;
  if (events == nullptr || num_events == nullptr) return kSimInvalidArgument;
  StateGuard state;
  if (!IsLiveLocked(*state, kProfile, profile)) return kSimInvalidHandle;
  ProfileData& data = state->profiles[profile];
  DropEventsLocked(*state, data);
  for (const ProfileEvent& event : state->profile_events) {
    data.top_ids.push_back(AddEventLocked(*state, data, event));
  }
  *events = data.top_ids.empty() ? nullptr : data.top_ids.data();
  *num_events = static_cast<uint32_t>(data.top_ids.size());
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t ProfileGetSubEvents(QnnProfile_EventId_t event,
                                      const QnnProfile_EventId_t** events, uint32_t* num_events) {
  const Qnn_ErrorHandle_t entered =
      EnterCall("profileGetSubEvents", [&] { return absl::StrCat("event=", event); });
  if (entered != QNN_SUCCESS) return entered;
  if (events == nullptr || num_events == nullptr) return kSimInvalidArgument;
  StateGuard state;
  const auto it = state->events.find(event);
  if (it == state->events.end()) return kSimInvalidHandle;
  const std::vector<QnnProfile_EventId_t>& ids = it->second->sub_ids;
  *events = ids.empty() ? nullptr : ids.data();
  *num_events = static_cast<uint32_t>(ids.size());
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t ProfileGetEventData(QnnProfile_EventId_t event, QnnProfile_EventData_t* data) {
  const Qnn_ErrorHandle_t entered =
      EnterCall("profileGetEventData", [&] { return absl::StrCat("event=", event); });
  if (entered != QNN_SUCCESS) return entered;
  if (data == nullptr) return kSimInvalidArgument;
  StateGuard state;
  const auto it = state->events.find(event);
  if (it == state->events.end()) return kSimInvalidHandle;
  const EventNode& node = *it->second;
  data->type = node.type;
  data->unit = node.unit;
  data->value = node.value;
  data->identifier = node.identifier.c_str();
  return QNN_SUCCESS;
}

Qnn_ErrorHandle_t ProfileFree(Qnn_ProfileHandle_t profile) {
  const Qnn_ErrorHandle_t entered =
      EnterCall("profileFree", [&] { return absl::StrCat("profile=", FormatHandle(profile)); });
  if (entered != QNN_SUCCESS) return entered;
  StateGuard state;
  if (!ReleaseHandleLocked(*state, kProfile, profile)) return kSimInvalidHandle;
  const auto it = state->profiles.find(profile);
  if (it != state->profiles.end()) {
    DropEventsLocked(*state, it->second);
    state->profiles.erase(it);
  }
  return QNN_SUCCESS;
}

}  // namespace vantro::sim::internal
