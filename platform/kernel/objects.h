// Inside the kernel piece: the process-wide table of kernel objects behind
// HANDLEs, and the one lock and condition under which every object's state
// changes, so that a wait can watch several objects at once.
#ifndef PLATFORM_KERNEL_OBJECTS_H
#define PLATFORM_KERNEL_OBJECTS_H

#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/types.h"

namespace Platform::Kernel {

class Object {
public:
  virtual ~Object();
  // Both are called with the table's lock held.
  virtual bool Signalled() const = 0;
  // What a satisfied wait does to the object (an auto-reset event resets).
  virtual void Acquired() {}
};

std::mutex& TableLock();
// Notified, with the lock held or just after, whenever an object may have
// become signalled.
std::condition_variable& TableChanged();

// With the table's lock held.
HANDLE InsertObject(std::shared_ptr<Object> object);
std::shared_ptr<Object> FindObject(HANDLE handle);

template <typename Kind>
std::shared_ptr<Kind> Find(HANDLE handle) {
  return std::dynamic_pointer_cast<Kind>(FindObject(handle));
}

}  // namespace Platform::Kernel

#endif
