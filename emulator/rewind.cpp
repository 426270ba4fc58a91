// The rewind store; see rewind.h.
#include "emulator/rewind.h"

namespace {

int Index(const RewindStore& store, int age) {
  return (store.newest - age + kRewindPoints) % kRewindPoints;
}

void Keep(RewindStore& store, std::int64_t frame, const CpuState& cpu, const MachineHardware& hardware) {
  store.newest = store.count == 0 ? 0 : (store.newest + 1) % kRewindPoints;
  if (store.count < kRewindPoints) ++store.count;
  RewindPoint& point = store.points[static_cast<std::size_t>(store.newest)];
  point.frame = frame;
  point.cpu = cpu;
  point.hardware = hardware;
}

// The point at `age` (0 newest) becomes the machine and the newest point.
void Restore(RewindStore& store, int age, CpuState& cpu, MachineHardware& hardware) {
  const int index = Index(store, age);
  const RewindPoint& point = store.points[static_cast<std::size_t>(index)];
  hardware = point.hardware;
  cpu = point.cpu;
  store.frame = point.frame;
  store.newest = index;
  store.count -= age;
}

}  // namespace

void StartRewind(RewindStore& store, const CpuState& cpu, const MachineHardware& hardware) {
  store.count = 0;
  store.frame = 0;
  Keep(store, 0, cpu, hardware);
}

void RewindFramesEnded(RewindStore& store, std::int64_t frames, const CpuState& cpu,
                       const MachineHardware& hardware) {
  const std::int64_t last = store.frame;
  store.frame = frames;
  if (frames / kRewindStepFrames != last / kRewindStepFrames) Keep(store, frames, cpu, hardware);
}

bool RewindSeconds(RewindStore& store, int seconds, CpuState& cpu, MachineHardware& hardware) {
  const std::int64_t target = store.frame - seconds * kRewindStepFrames;
  for (int age = 0; age < store.count; ++age) {
    if (store.points[static_cast<std::size_t>(Index(store, age))].frame <= target) {
      Restore(store, age, cpu, hardware);
      return true;
    }
  }
  return false;
}

bool RewindStep(RewindStore& store, CpuState& cpu, MachineHardware& hardware) {
  if (RewindSeconds(store, 1, cpu, hardware)) return true;
  const int oldest = store.count - 1;
  if (oldest < 0 || store.points[static_cast<std::size_t>(Index(store, oldest))].frame >= store.frame) return false;
  Restore(store, oldest, cpu, hardware);
  return true;
}

int RewindReach(const RewindStore& store) {
  if (store.count == 0) return 0;
  const std::int64_t oldest = store.points[static_cast<std::size_t>(Index(store, store.count - 1))].frame;
  return static_cast<int>((store.frame - oldest) / kRewindStepFrames);
}
