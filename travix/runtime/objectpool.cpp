#include "objectpool.h"

#include <mutex>
#include <new>

// Under the address, memory and thread sanitizers every object keeps its
// own heap block, so that they still see each use after free.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TRAVIX_POOL_ENABLED 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer) || \
    __has_feature(thread_sanitizer)
#define TRAVIX_POOL_ENABLED 0
#endif
#endif
#ifndef TRAVIX_POOL_ENABLED
#define TRAVIX_POOL_ENABLED 1
#endif

namespace travix_pool {

#if TRAVIX_POOL_ENABLED

namespace {

constexpr std::size_t kGranule = 16; // the alignment of every block
constexpr std::size_t kLargestPooled = 512;
constexpr std::size_t kClasses = kLargestPooled / kGranule;
constexpr std::size_t kRefillBytes = 8192;

struct FreeBlock {
  FreeBlock* next;
};

// Each thread allocates from and frees to its own lists without locks. A
// block freed on another thread than the one that made it simply joins
// the freeing thread's list. The lists of a thread that ends go to the
// shared lists, which a thread draws on before it takes new memory, so
// threads that come and go do not leave memory behind them.
struct ThreadLists {
  FreeBlock* heads[kClasses];
  bool donatesAtExit;
};

#if defined(__GNUC__)
__attribute__((tls_model("initial-exec")))
#endif
thread_local ThreadLists t_lists; // zero-initialised: no guard on use

std::mutex s_sharedMutex;
FreeBlock* s_shared[kClasses];

std::size_t ClassOf(std::size_t size) { return size == 0 ? 0 : (size - 1) / kGranule; }

void Donate() noexcept {
  std::lock_guard<std::mutex> lock(s_sharedMutex);
  for (std::size_t c = 0; c < kClasses; ++c) {
    FreeBlock* first = t_lists.heads[c];
    if (!first)
      continue;
    FreeBlock* last = first;
    while (last->next)
      last = last->next;
    last->next = s_shared[c];
    s_shared[c] = first;
    t_lists.heads[c] = nullptr;
  }
}

struct ExitDonation {
  ~ExitDonation() { Donate(); }
};

FreeBlock* Refill(std::size_t c) {
  if (!t_lists.donatesAtExit) {
    // Constructing it registers its destructor for this thread's exit.
    static thread_local ExitDonation donation;
    (void)donation;
    t_lists.donatesAtExit = true;
  }
  {
    std::lock_guard<std::mutex> lock(s_sharedMutex);
    if (FreeBlock* shared = s_shared[c]) {
      s_shared[c] = nullptr;
      return shared;
    }
  }
  // New memory, cut into blocks of the class and linked into a list; it
  // stays with the pool for the life of the process.
  const std::size_t blockSize = (c + 1) * kGranule;
  const std::size_t count = kRefillBytes / blockSize > 0 ? kRefillBytes / blockSize : 1;
  char* memory = static_cast<char*>(::operator new(blockSize * count));
  FreeBlock* head = nullptr;
  for (std::size_t i = count; i-- > 0;) {
    auto* block = reinterpret_cast<FreeBlock*>(memory + i * blockSize);
    block->next = head;
    head = block;
  }
  return head;
}

} // namespace

void* Allocate(std::size_t size) {
  if (size > kLargestPooled)
    return ::operator new(size);
  const std::size_t c = ClassOf(size);
  FreeBlock* block = t_lists.heads[c];
  if (!block)
    block = Refill(c);
  t_lists.heads[c] = block->next;
  return block;
}

void Free(void* block, std::size_t size) noexcept {
  if (!block)
    return;
  if (size > kLargestPooled) {
    ::operator delete(block);
    return;
  }
  const std::size_t c = ClassOf(size);
  auto* freed = static_cast<FreeBlock*>(block);
  freed->next = t_lists.heads[c];
  t_lists.heads[c] = freed;
}

#else

void* Allocate(std::size_t size) { return ::operator new(size); }
void Free(void* block, std::size_t) noexcept { ::operator delete(block); }

#endif

} // namespace travix_pool
