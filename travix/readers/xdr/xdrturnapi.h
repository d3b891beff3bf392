// Export control of the xdrturn library (built with hidden visibility).
#ifndef TRAVIX_XDRTURNAPI_H
#define TRAVIX_XDRTURNAPI_H

#define XDRTURN_API __attribute__((visibility("default")))

#endif
