// Inside the user-interface piece: what the message boxes ask of the queues.
#ifndef PLATFORM_UI_INTERNAL_H
#define PLATFORM_UI_INTERNAL_H

namespace Platform::Ui {

// Whether the calling thread has a message queue (it uses windows or
// messages).
bool CurrentThreadHasQueue();

}  // namespace Platform::Ui

#endif
