#include "serial/Dispatcher.h"

#include "serial/Delivery.h"
#include "serial/DispatcherList.h"
#include "serial/NotifyTarget.h"

#include <algorithm>

namespace {
uint32_t WindowId(const TNotifyTarget* window) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
}
}  // namespace

std::function<void(TBaseDispatcher&, TNotifyTarget*)> TBaseDispatcher::DeliveryStartsHook;

TBaseDispatcher::TBaseDispatcher() : index_(TDispatcherList::Instance().Add(this)) {}

TBaseDispatcher::~TBaseDispatcher() {
  TDispatcherList::Instance().Remove(index_);
}

void TBaseDispatcher::SetDeviceLabel(std::string label) {
  std::lock_guard guard(mainLock_);
  deviceLabel_ = std::move(label);
}

std::string TBaseDispatcher::DeviceLabel() const {
  std::lock_guard guard(mainLock_);
  return deviceLabel_;
}

void TBaseDispatcher::AllocateBuffers(uint32_t outSize) {
  {
    std::lock_guard buffer(bufferLock_);
    dispatch_.assign(DispatchBufferSize, 0);
    ResetDispatchState();
  }
  output_.Allocate(outSize);
}

void TBaseDispatcher::ResetDispatchState() {
  std::lock_guard buffer(bufferLock_);
  head_ = tail_ = 0;
  full_ = false;
  readCount_ = largestRead_ = 0;
  inNotification_ = false;
  scanPending_ = 0;
  received_ = 0;
  notifyAt_ = 0;
}

void TBaseDispatcher::ReleaseBuffers() {
  {
    std::lock_guard buffer(bufferLock_);
    dispatch_.clear();
    dispatch_.shrink_to_fit();
    ResetDispatchState();
  }
  output_.Release();
}

uint32_t TBaseDispatcher::StoredCount() const {
  if (full_) return DispatchBufferSize;
  return (head_ + DispatchBufferSize - tail_) % DispatchBufferSize;
}

void TBaseDispatcher::CommitReceived(uint32_t position, uint32_t count) {
  {
    std::lock_guard main(mainLock_);
    log_.Add(TLogType::Dispatch, TLogSubType::ReadCom, count, dispatch_.data() + position, count);
  }
  head_ = (head_ + count) % DispatchBufferSize;
  full_ = head_ == tail_;
  received_ += count;
  // Bytes the application took before they were scanned may be overwritten
  // now; the scan then resumes at the oldest byte still in the ring.
  scanPending_ = std::min(scanPending_ + count, DispatchBufferSize);
  if (count > 0) inputArrived_ = true;
}

void TBaseDispatcher::SetInputArrivedHook(std::function<void()> hook) {
  std::lock_guard guard(hookLock_);
  inputArrivedHook_ = std::move(hook);
}

void TBaseDispatcher::SetDeviceGoneHook(std::function<void()> hook) {
  std::lock_guard guard(hookLock_);
  deviceGoneHook_ = std::move(hook);
}

void TBaseDispatcher::ReportDeviceGone() {
  std::lock_guard guard(hookLock_);
  if (deviceGoneHook_) deviceGoneHook_();
}

void TBaseDispatcher::ReportInputArrived() {
  std::lock_guard guard(hookLock_);
  if (inputArrivedHook_) inputArrivedHook_();
}

// ---------------------------------------------------------------- writing

int TBaseDispatcher::WriteBlock(const uint8_t* data, uint32_t count) {
  if (count == 0) return 0;
  if (const int error = DeviceError(); error < 0) return error;
  if (output_.Size() == 0) return ErrCommNotOpen;
  // What the device takes at once goes straight to it; the output thread
  // only sends what it could not take.
  uint32_t queued = 0;
  const int written = output_.WriteThrough(
      data, count, [this](const uint8_t* bytes, uint32_t n) { return WriteNow(bytes, n); }, queued);
  if (written < 0) return written;
  if (queued < count) ++directWrites_;
  if (queued > 0) {
    ++handOvers_;
    OutputQueued();
  }
  outputWritten_ = true;
  std::lock_guard main(mainLock_);
  log_.Add(TLogType::Dispatch, TLogSubType::WriteCom, count, data, count);
  if (trace_.On()) {
    for (uint32_t i = 0; i < count; ++i) trace_.Add('T', data[i]);
  }
  return written;
}

// ---------------------------------------------------------------- reading

uint32_t TBaseDispatcher::BytesAvailable() {
  std::lock_guard buffer(bufferLock_);
  return dispatch_.empty() ? 0 : UnreadCount();
}

bool TBaseDispatcher::InputReady() {
  return BytesAvailable() > 0;
}

int TBaseDispatcher::ReadByte() {
  std::lock_guard buffer(bufferLock_);
  if (dispatch_.empty() || UnreadCount() == 0) return ErrBufferIsEmpty;
  uint8_t byte = 0;
  if (inNotification_) {
    // The tail moves when the notification ends, by the most any handler read.
    byte = dispatch_[(tail_ + readCount_) % DispatchBufferSize];
    ++readCount_;
  } else {
    byte = dispatch_[tail_];
    tail_ = (tail_ + 1) % DispatchBufferSize;
    full_ = false;
    if (inputBlocked_ && StoredCount() <= DispatchBufferSize / 2) InputRoomAgain();
  }
  RecordTaken(&byte, 1);
  return byte;
}

uint32_t TBaseDispatcher::ReadBlock(uint8_t* out, uint32_t max) {
  std::lock_guard buffer(bufferLock_);
  if (dispatch_.empty()) return 0;
  const uint32_t count = std::min(max, UnreadCount());
  if (count == 0) return 0;
  const uint32_t from = (tail_ + (inNotification_ ? readCount_ : 0)) % DispatchBufferSize;
  const uint32_t first = std::min(count, DispatchBufferSize - from);
  std::copy_n(dispatch_.data() + from, first, out);
  std::copy_n(dispatch_.data(), count - first, out + first);
  if (inNotification_) {
    readCount_ += count;
  } else {
    tail_ = (tail_ + count) % DispatchBufferSize;
    full_ = false;
    if (inputBlocked_ && StoredCount() <= DispatchBufferSize / 2) InputRoomAgain();
  }
  RecordTaken(out, count);
  return count;
}

void TBaseDispatcher::RecordTaken(const uint8_t* bytes, uint32_t count) {
  // The main lock only guards the trace here: a reader with the trace off
  // does not contend with the dispatch thread for it.
  if (!trace_.On()) return;
  std::lock_guard main(mainLock_);
  for (uint32_t i = 0; i < count; ++i) trace_.Add('R', bytes[i]);
}

void TBaseDispatcher::FlushInput() {
  std::lock_guard buffer(bufferLock_);
  PurgeDeviceInput();
  if (inNotification_) {
    // Both counts cover every unread byte: the handler sees nothing more and
    // the tail passes them all when the notification ends.
    readCount_ = largestRead_ = StoredCount();
  } else {
    tail_ = head_;
    readCount_ = 0;
    full_ = false;
  }
  scanPending_ = 0;
  notifyAt_ = received_;
  ++flushGeneration_;
  if (inputBlocked_ && !inNotification_) InputRoomAgain();
  std::lock_guard main(mainLock_);
  triggers_.ResetPartialMatches();
}

// ---------------------------------------------------------------- triggers

int TBaseDispatcher::AddDataTrigger(const uint8_t* text, uint32_t length, bool ignoreCase) {
  std::lock_guard main(mainLock_);
  const int handle = triggers_.AddData(text, length, ignoreCase);
  if (handle >= 0) {
    log_.Add(TLogType::TrigAllc, TLogSubType::Data, static_cast<uint32_t>(handle), text,
             std::min(length, MaxDataTriggerLength));
  }
  return handle;
}

int TBaseDispatcher::RemoveTrigger(uint32_t handle) {
  std::lock_guard main(mainLock_);
  // During a delivery the walk over the list may still be going on.
  const int result = triggers_.Remove(handle, dispatching_);
  if (result == 0 && handle != AvailTriggerHandle) log_.Add(TLogType::TrigDisp, TLogSubType::Data, handle);
  return result;
}

void TBaseDispatcher::SetAvailThreshold(uint32_t count) {
  std::lock_guard main(mainLock_);
  triggers_.SetAvailThreshold(count);
  log_.Add(TLogType::TrDatChg, TLogSubType::Avail, count);
}

uint32_t TBaseDispatcher::AvailThreshold() {
  std::lock_guard main(mainLock_);
  return triggers_.AvailThreshold();
}

void TBaseDispatcher::SaveTriggers(TTriggerRecord& record) {
  std::lock_guard main(mainLock_);
  triggers_.Save(record);
}

void TBaseDispatcher::RestoreTriggers(const TTriggerRecord& record) {
  std::lock_guard main(mainLock_);
  triggers_.Restore(record);
}

// ---------------------------------------------------------------- handlers

bool TBaseDispatcher::HandlerServiceCondition() const {
  return windows_.size() > 1;
}

void TBaseDispatcher::RegisterWindowHandler(TNotifyTarget* window) {
  std::lock_guard main(mainLock_);
  windows_.push_back({window, false});
  handlerServiceNeeded_ = true;
  log_.Add(TLogType::TrgHdAlc, TLogSubType::Window, WindowId(window));
}

void TBaseDispatcher::DeregisterWindowHandler(TNotifyTarget* window) {
  std::lock_guard main(mainLock_);
  log_.Add(TLogType::TrgHdDsp, TLogSubType::Window, WindowId(window));
  auto it = std::find_if(windows_.begin(), windows_.end(),
                         [window](const TWindowHandler& h) { return h.window == window && !h.deleted; });
  if (it == windows_.end()) {
    UpdateHandlerService(ServiceRecompute);
  } else if (dispatching_) {
    it->deleted = true;
    handlersDeleted_ = true;
  } else {
    windows_.erase(it);
  }
}

bool TBaseDispatcher::HasWindowHandler(const TNotifyTarget* window) {
  std::lock_guard main(mainLock_);
  return std::any_of(windows_.begin(), windows_.end(),
                     [window](const TWindowHandler& h) { return h.window == window && !h.deleted; });
}

void TBaseDispatcher::UpdateHandlerService(THandlerService change) {
  std::lock_guard main(mainLock_);
  switch (change) {
    case ServicePortInstalled:
      portHandlerInstalled_ = true;
      handlerServiceNeeded_ = true;
      break;
    case ServicePortRemoved:
      portHandlerInstalled_ = false;
      handlerServiceNeeded_ = HandlerServiceCondition();
      break;
    case ServiceRecompute:
      handlerServiceNeeded_ = HandlerServiceCondition() || portHandlerInstalled_;
      break;
  }
}

bool TBaseDispatcher::Dispatching() {
  std::lock_guard main(mainLock_);
  return dispatching_;
}

// ---------------------------------------------------------------- checking

TBaseDispatcher::TCheckPlan TBaseDispatcher::PlanCheck() {
  TCheckPlan plan;
  std::lock_guard buffer(bufferLock_);
  std::lock_guard main(mainLock_);
  if (dispatch_.empty()) return plan;
  bool any = false;
  uint32_t longest = 0;
  auto& list = triggers_.Data();
  // No trigger can match: the walk would only count the bytes off one by one.
  if (!AnyLiveDataTrigger()) scanPending_ = 0;
  while (scanPending_ > 0 && !any) {
    const uint8_t byte = dispatch_[ScanPosition()];
    for (auto& t : list) {
      if (t.removed || t.length == 0) continue;
      if (!t.matched) t.matched = MatchStep(t, byte);
      if (t.matched) {
        any = true;
        longest = std::max(longest, t.length);
      }
    }
    if (!any) --scanPending_;
  }
  plan.generation = flushGeneration_;
  const uint32_t threshold = triggers_.AvailThreshold();
  if (!any) {
    const uint32_t available = UnreadCount();
    if (threshold == 0 || ScanAt() == notifyAt_ || available < threshold) return plan;
    log_.Add(TLogType::Trigger, TLogSubType::Avail, available);
    notifyAt_ = ScanAt();
    plan.kind = TCheckPlan::Avail;
    plan.availCount = available;
    return plan;
  }
  plan.kind = TCheckPlan::Match;
  plan.matchAt = ScanAt();
  if (threshold != 0 && plan.matchAt != notifyAt_) {
    // Unread bytes up to and including this one, minus the string; negative
    // when the application has already taken part of the string.
    const int64_t throughHere = static_cast<int64_t>(UnreadCount()) - scanPending_ + 1;
    const int64_t before = throughHere - static_cast<int64_t>(longest);
    if (before >= static_cast<int64_t>(threshold)) {
      plan.availFirst = true;
      plan.availCount = static_cast<uint32_t>(before);
      log_.Add(TLogType::Trigger, TLogSubType::Avail, plan.availCount);
    }
  }
  return plan;
}

bool TBaseDispatcher::AnyLiveDataTrigger() {
  const auto& list = triggers_.Data();
  return std::any_of(list.begin(), list.end(),
                     [](const TDataTrigger& t) { return !t.removed && t.length != 0; });
}

bool TBaseDispatcher::CheckDataAndAvailTriggers() {
  const TCheckPlan plan = PlanCheck();
  switch (plan.kind) {
    case TCheckPlan::None:
      return false;
    case TCheckPlan::Avail:
      return Deliver(TriggerAvailMsg, plan.availCount, 0);
    case TCheckPlan::Match:
      break;
  }
  if (plan.availFirst) {
    Deliver(TriggerAvailMsg, plan.availCount, 0);
    if (closePending_) return false;
    std::lock_guard buffer(bufferLock_);
    if (flushGeneration_ == plan.generation) notifyAt_ = plan.matchAt;
  }
  return DeliverDataTriggers(plan.generation);
}

bool TBaseDispatcher::DeliverDataTriggers(uint64_t generation) {
  fired_.clear();
  {
    std::lock_guard buffer(bufferLock_);
    std::lock_guard main(mainLock_);
    auto& list = triggers_.Data();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
      if (it->matched && !it->removed) fired_.emplace_back(it->handle, it->length);
      it->matched = false;
    }
    // A flush during the avail notification discarded the matched bytes.
    if (flushGeneration_ != generation) return true;
    if (scanPending_ > 0) --scanPending_;
  }
  bool result = true;
  for (const auto& [handle, length] : fired_) {
    {
      std::lock_guard buffer(bufferLock_);
      std::lock_guard main(mainLock_);
      if (flushGeneration_ != generation) break;
      // An earlier handler of this byte may have removed it.
      if (triggers_.FindData(handle) == nullptr) continue;
      log_.Add(TLogType::Trigger, TLogSubType::Data, handle);
    }
    result = Deliver(TriggerDataMsg, handle, length);
    if (closePending_) return false;
  }
  return result;
}

// ---------------------------------------------------------------- delivery

bool TBaseDispatcher::Deliver(uint32_t message, uint32_t wParam, uint32_t lowWord) {
  bool send = false;
  {
    std::lock_guard buffer(bufferLock_);
    std::lock_guard main(mainLock_);
    if (!handlerServiceNeeded_) return true;
    dispatching_ = true;
    largestRead_ = 0;
    inNotification_ = message == TriggerAvailMsg || message == TriggerDataMsg;
    send = windows_.size() > 1 || portHandlerInstalled_;
  }
  const uint32_t lParam = (static_cast<uint32_t>(index_) << 16) | (lowWord & 0xFFFF);
  bool result = true;
  if (send) result = SendToWindows(message, wParam, lParam);
  SettleReadCount(message, wParam, result);
  {
    std::lock_guard buffer(bufferLock_);
    std::lock_guard main(mainLock_);
    dispatching_ = false;
    if (handlersDeleted_) {
      std::erase_if(windows_, [](const TWindowHandler& h) { return h.deleted; });
      handlersDeleted_ = false;
      UpdateHandlerService(ServiceRecompute);
    }
    triggers_.PurgeRemoved();
    readCount_ = 0;
  }
  return result;
}

bool TBaseDispatcher::SendToWindows(uint32_t message, uint32_t wParam, uint32_t lParam) {
  for (size_t i = 0;; ++i) {
    if (DeliveryStartsHook) HoldDeliveryStart(i);
    std::shared_ptr<TDelivery> delivery;
    {
      std::lock_guard buffer(bufferLock_);
      std::lock_guard main(mainLock_);
      if (i >= windows_.size()) return true;
      if (windows_[i].deleted) continue;
      readCount_ = 0;
      delivery = std::make_shared<TDelivery>(message, wParam, lParam);
      {
        std::lock_guard current(deliveryLock_);
        currentDelivery_ = delivery;
      }
      // Posted under the main lock: a window is only deregistered under it.
      windows_[i].window->Post(delivery);
      ++handOvers_;
    }
    const bool finished = delivery->Wait(std::chrono::steady_clock::now() + DeliveryTimeout,
                                         [this] { return killThreads_.load() || closePending_.load(); });
    // The end of the handler is a hand-over only when it had to wake us.
    if (finished && delivery->Slept()) ++handOvers_;
    if (!finished && !closePending_ && !killThreads_) ++abandoned_;
    {
      std::lock_guard current(deliveryLock_);
      currentDelivery_.reset();
    }
    if (closePending_ || killThreads_) return false;
    std::lock_guard buffer(bufferLock_);
    largestRead_ = std::max(largestRead_, readCount_);
  }
}

void TBaseDispatcher::HoldDeliveryStart(size_t i) {
  TNotifyTarget* window = nullptr;
  {
    std::lock_guard main(mainLock_);
    if (i < windows_.size() && !windows_[i].deleted) window = windows_[i].window;
  }
  // The post below looks at the list again: the window may have left it.
  if (window != nullptr) DeliveryStartsHook(*this, window);
}

void TBaseDispatcher::SettleReadCount(uint32_t message, uint32_t announced, bool& result) {
  std::lock_guard buffer(bufferLock_);
  if (!inNotification_) return;
  // Flag and tail change together, so a handler that still runs after an
  // abandoned delivery reads on from the right place.
  inNotification_ = false;
  const uint32_t taken = std::min(std::max(largestRead_, readCount_), StoredCount());
  tail_ = (tail_ + taken) % DispatchBufferSize;
  if (taken != 0) full_ = false;
  if (inputBlocked_ && StoredCount() <= DispatchBufferSize / 2) InputRoomAgain();
  if (message == TriggerAvailMsg && taken != announced) result = false;
  readCount_ = 0;
  largestRead_ = 0;
}

void TBaseDispatcher::AbandonDelivery() {
  std::lock_guard current(deliveryLock_);
  if (currentDelivery_) currentDelivery_->Wake();
}
