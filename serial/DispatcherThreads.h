// The three worker threads of an open device dispatcher: the com thread
// waits for device events, the dispatch thread moves the received bytes
// into the dispatch ring, runs the triggers and delivers their
// notifications, the output thread writes what the device could not take
// at once from the output ring. On a device that cannot wait for input in
// a second thread, the com thread waits for it, stores each batch and wakes
// the dispatch thread once per batch.
#pragma once

#include <thread>

class TDeviceDispatcher;

class TDispatcherThread {
 public:
  explicit TDispatcherThread(TDeviceDispatcher& dispatcher) : dispatcher_(dispatcher) {}
  virtual ~TDispatcherThread();
  TDispatcherThread(const TDispatcherThread&) = delete;
  TDispatcherThread& operator=(const TDispatcherThread&) = delete;

  void Start();
  // Waits for the thread's end; call only once it has been told to stop.
  void Join();

 protected:
  virtual void Execute() = 0;
  TDeviceDispatcher& dispatcher_;

 private:
  void Run();
  void Failed(const char* what);
  std::thread thread_;
};

class TComThread : public TDispatcherThread {
 public:
  using TDispatcherThread::TDispatcherThread;

 protected:
  void Execute() override;
};

class TDispThread : public TDispatcherThread {
 public:
  using TDispatcherThread::TDispatcherThread;

 protected:
  void Execute() override;
};

class TOutThread : public TDispatcherThread {
 public:
  using TDispatcherThread::TDispatcherThread;

 protected:
  void Execute() override;

 private:
  void WriteOut();
};
