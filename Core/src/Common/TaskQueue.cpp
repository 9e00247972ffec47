#include "Common/TaskQueue.h"

#include "Common/Log.h"

#include <exception>
#include <string>
#include <utility>

namespace qel {

namespace {

// Emptied nodes kept for reuse: enough for a burst of a thousand posted calls between two
// drains (16 bytes each), so that steady posting allocates no nodes.
constexpr std::size_t kMaxSpareNodes = 1024;

}  // namespace

WorkTask::~WorkTask() = default;

TaskQueue::TaskQueue() : head(std::make_unique<Node>()), tail(head.get()) {}

TaskQueue::~TaskQueue() {
  destroyChain(std::move(head));
  destroyChain(std::move(spares));
}

void TaskQueue::push(std::unique_ptr<WorkTask> task) {
  if (!task) {
    return;
  }
  std::unique_ptr<Node> dummy;
  {
    std::unique_lock lock(tailMutex);
    dummy = takeSpareLocked();
    if (!dummy) {
      // Allocated without holding up the other producers and the consumer.
      lock.unlock();
      dummy = std::make_unique<Node>();
      lock.lock();
    }
    if (closed) {
      return;  // the lock goes first, then the node and the task (its promise breaks)
    }
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
      taskAvailable.wait_for(tailLock, timeout, [this] { return head.get() != tail || closed; });
      if (head.get() == tail) {
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
  // A close wakes the waiter too: the head mutex it holds is what close needs next.
  return taskAvailable.wait_for(tailLock, timeout, [this] { return head.get() != tail || closed; }) &&
         head.get() != tail;
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
  std::unique_ptr<Node> fresh;
  {
    std::lock_guard tailLock(tailMutex);
    fresh = takeSpareLocked();
  }
  if (!fresh) {
    // Allocated with only the head held, so producers are not kept waiting on it.
    fresh = std::make_unique<Node>();
  }
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
  std::unique_ptr<Node> emptied;
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
    chain->task.reset();
    chain->next = std::move(emptied);
    emptied = std::move(chain);
    chain = std::move(next);
  }
  recycle(std::move(emptied));
  return taken;
}

void TaskQueue::clear() {
  std::size_t taken = 0;
  destroyChain(detachAll(taken));
}

void TaskQueue::close() {
  {
    std::lock_guard lock(tailMutex);
    closed.store(true, std::memory_order_release);
  }
  taskAvailable.notify_all();
  clear();
}

void TaskQueue::reopen() {
  std::lock_guard lock(tailMutex);
  closed.store(false, std::memory_order_release);
}

bool TaskQueue::isClosed() const { return closed.load(std::memory_order_acquire); }

std::unique_ptr<TaskQueue::Node> TaskQueue::takeSpareLocked() {
  if (!spares) {
    return nullptr;
  }
  std::unique_ptr<Node> node = std::move(spares);
  spares = std::move(node->next);
  --spareCount;
  return node;
}

void TaskQueue::recycle(std::unique_ptr<Node> chain) {
  {
    std::lock_guard lock(tailMutex);
    while (chain && spareCount < kMaxSpareNodes) {
      std::unique_ptr<Node> next = std::move(chain->next);
      chain->next = std::move(spares);
      spares = std::move(chain);
      ++spareCount;
      chain = std::move(next);
    }
  }
  destroyChain(std::move(chain));
}

std::size_t TaskQueue::size() const { return count.load(std::memory_order_relaxed); }

void TaskQueue::destroyChain(std::unique_ptr<Node> chain) {
  while (chain) {
    chain = std::move(chain->next);
  }
}

}  // namespace qel
