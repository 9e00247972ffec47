#include "Common/TaskQueue.h"

#include "Common/Log.h"

#include <exception>
#include <string>
#include <utility>

namespace qel {

WorkTask::~WorkTask() = default;

TaskQueue::TaskQueue() : head(std::make_unique<Node>()), tail(head.get()) {}

TaskQueue::~TaskQueue() { destroyChain(std::move(head)); }

void TaskQueue::push(std::unique_ptr<WorkTask> task) {
  if (!task) {
    return;
  }
  auto dummy = std::make_unique<Node>();
  {
    std::lock_guard lock(tailMutex);
    tail->task = std::move(task);
    Node* const newTail = dummy.get();
    tail->next = std::move(dummy);
    tail = newTail;
    count.fetch_add(1, std::memory_order_relaxed);
  }
  taskAvailable.notify_one();
}

std::unique_ptr<TaskQueue::Node> TaskQueue::popHeadLocked() {
  // Caller holds headMutex and has seen head != tail, so head has a successor.
  std::unique_ptr<Node> old = std::move(head);
  head = std::move(old->next);
  count.fetch_sub(1, std::memory_order_relaxed);
  return old;
}

std::unique_ptr<WorkTask> TaskQueue::tryPop() {
  std::unique_ptr<Node> node;
  {
    std::lock_guard headLock(headMutex);
    {
      std::lock_guard tailLock(tailMutex);
      if (head.get() == tail) {
        return nullptr;
      }
    }
    node = popHeadLocked();
  }
  return std::move(node->task);
}

std::unique_ptr<WorkTask> TaskQueue::waitPop(std::chrono::milliseconds timeout) {
  std::unique_ptr<Node> node;
  {
    std::lock_guard headLock(headMutex);
    {
      std::unique_lock tailLock(tailMutex);
      if (!taskAvailable.wait_for(tailLock, timeout, [this] { return head.get() != tail; })) {
        return nullptr;
      }
    }
    node = popHeadLocked();
  }
  return std::move(node->task);
}

bool TaskQueue::waitForTask(std::chrono::milliseconds timeout) {
  std::lock_guard headLock(headMutex);
  std::unique_lock tailLock(tailMutex);
  return taskAvailable.wait_for(tailLock, timeout, [this] { return head.get() != tail; });
}

std::unique_ptr<TaskQueue::Node> TaskQueue::detachAll(std::size_t& taken) {
  taken = 0;
  std::lock_guard headLock(headMutex);
  {
    std::lock_guard tailLock(tailMutex);
    if (head.get() == tail) {
      return nullptr;  // the common idle frame: no allocation, no work
    }
  }
  // Allocated with only the head held, so producers are not kept waiting on it.
  auto fresh = std::make_unique<Node>();
  std::lock_guard tailLock(tailMutex);
  // The old dummy stays at the end of the detached chain; producers, which only ever
  // see `tail`, continue on the fresh node.
  taken = count.exchange(0, std::memory_order_relaxed);
  std::unique_ptr<Node> chain = std::move(head);
  head = std::move(fresh);
  tail = head.get();
  return chain;
}

std::size_t TaskQueue::runAll() {
  std::size_t taken = 0;
  std::unique_ptr<Node> chain = detachAll(taken);
  while (chain) {
    std::unique_ptr<Node> next = std::move(chain->next);
    if (chain->task) {
      try {
        chain->task->run();
      } catch (const std::exception& error) {
        Log::getInstance().log(SourceLocation{"Core/src/Common/TaskQueue.cpp", __LINE__, "qel::TaskQueue::runAll"},
                               Log::kRefused, std::string("A queued task failed: ") + error.what());
      } catch (...) {
        Log::getInstance().log(SourceLocation{"Core/src/Common/TaskQueue.cpp", __LINE__, "qel::TaskQueue::runAll"},
                               Log::kRefused, "A queued task failed with an unknown exception.");
      }
    }
    // The task dies before the next one runs, so what it held (an implementation
    // object, a broken promise) is released in order.
    chain = std::move(next);
  }
  return taken;
}

void TaskQueue::clear() {
  std::size_t taken = 0;
  destroyChain(detachAll(taken));
}

std::size_t TaskQueue::size() const { return count.load(std::memory_order_relaxed); }

void TaskQueue::destroyChain(std::unique_ptr<Node> chain) {
  while (chain) {
    chain = std::move(chain->next);
  }
}

}  // namespace qel
