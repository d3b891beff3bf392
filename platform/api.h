// Export control of the platform libraries, which are built with hidden
// visibility: only what is marked PLATFORM_API is visible to the products.
#ifndef PLATFORM_API_H
#define PLATFORM_API_H

#define PLATFORM_API __attribute__((visibility("default")))

#endif
