#pragma once

#include "Common/WorkTask.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>

namespace qel {

/// First-in-first-out queue of owned tasks for any number of producers and one consumer.
///
/// A singly linked list that always ends in an empty dummy node: producers touch only the
/// tail (under `tailMutex`), the consumer only the head (under `headMutex`), so posting
/// does not contend with taking work off the front. Tasks run in the order they were
/// pushed.
///
/// The consumer operations (`tryPop`, `waitPop`, `waitForTask`, `runAll`, `clear`) must
/// be called from one thread at a time; `push` and `size` from any thread.
class TaskQueue {
 public:
  TaskQueue();
  ~TaskQueue();
  TaskQueue(const TaskQueue&) = delete;
  TaskQueue& operator=(const TaskQueue&) = delete;

  /// Append a task and wake a waiting consumer. A null task is ignored.
  void push(std::unique_ptr<WorkTask> task);

  /// The oldest task, or null when the queue is empty.
  std::unique_ptr<WorkTask> tryPop();
  /// The oldest task, waiting up to `timeout` for one; null if none came.
  std::unique_ptr<WorkTask> waitPop(std::chrono::milliseconds timeout);
  /// Wait up to `timeout` until the queue holds a task; true if it does.
  bool waitForTask(std::chrono::milliseconds timeout);

  /// Run the tasks queued at the moment of the call, oldest first, and return how many
  /// were taken. Tasks pushed meanwhile (also by the running tasks) wait for the next
  /// call, so a task that re-posts itself cannot keep the caller here forever. A task
  /// that throws is logged and dropped; the tasks after it still run. Each task is
  /// destroyed right after it ran.
  std::size_t runAll();

  /// Destroy the queued tasks without running them (their promises break).
  void clear();

  /// Tasks queued now (a snapshot: producers may be adding more).
  std::size_t size() const;
  bool empty() const { return size() == 0; }

 private:
  struct Node {
    std::unique_ptr<WorkTask> task;
    std::unique_ptr<Node> next;
  };

  /// Take every queued node off the front at once, leaving a fresh empty queue.
  /// Returns the chain (ending in the old dummy) and how many tasks it holds.
  std::unique_ptr<Node> detachAll(std::size_t& count);
  std::unique_ptr<Node> popHeadLocked();
  /// Frees a chain node by node: a recursive unique_ptr teardown of a long queue
  /// would overflow the stack.
  static void destroyChain(std::unique_ptr<Node> chain);

  std::mutex headMutex;
  std::unique_ptr<Node> head;
  std::mutex tailMutex;
  Node* tail;
  // Waited on with tailMutex held: producers change the tail under that mutex, so a
  // consumer checking for work and going to sleep cannot miss a push in between.
  std::condition_variable taskAvailable;
  std::atomic<std::size_t> count{0};
};

}  // namespace qel
