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
/// A queue can be closed for good by its consumer (`close`): what is queued then is
/// destroyed, and whatever is pushed afterwards is destroyed at once instead of queued,
/// so nobody waits on work that will never run. `reopen` undoes it.
///
/// Nodes are reused: the consumer hands the nodes of the tasks it ran back to the
/// producers (a few hundred at most), so a queue in steady use allocates no nodes.
///
/// The operations that take tasks to run them (`tryPop`, `waitPop`, `waitForTask`,
/// `runAll`) must be called from one thread at a time; the others from any thread (a
/// close from another thread wakes a consumer waiting for work).
class TaskQueue {
 public:
  TaskQueue();
  ~TaskQueue();
  TaskQueue(const TaskQueue&) = delete;
  TaskQueue& operator=(const TaskQueue&) = delete;

  /// Append a task and wake a waiting consumer. A null task is ignored. On a closed
  /// queue the task is destroyed before this returns (a packaged task inside breaks its
  /// promise).
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

  /// Refuse every later push (see `push`), then destroy the queued tasks.
  void close();
  /// Queue pushed tasks again.
  void reopen();
  bool isClosed() const;

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
  /// A node for the tail: a spare one if there is one (caller holds tailMutex).
  std::unique_ptr<Node> takeSpareLocked();
  /// Hands emptied nodes back to the spares, up to the cap; frees the rest.
  void recycle(std::unique_ptr<Node> chain);

  std::mutex headMutex;
  std::unique_ptr<Node> head;
  mutable std::mutex tailMutex;
  Node* tail;
  // Waited on with tailMutex held: producers change the tail under that mutex, so a
  // consumer checking for work and going to sleep cannot miss a push in between.
  std::condition_variable taskAvailable;
  std::atomic<std::size_t> count{0};
  // Emptied nodes ready for reuse, a chain through `next`; guarded by tailMutex, the
  // lock every push takes anyway.
  std::unique_ptr<Node> spares;
  std::size_t spareCount = 0;
  // Changed under tailMutex; atomic so that isClosed can look without taking it.
  std::atomic<bool> closed{false};
};

}  // namespace qel
