// Export control of the srcwri library (built with hidden visibility).
#ifndef TRAVIX_SRCWRIAPI_H
#define TRAVIX_SRCWRIAPI_H

#define SRCWRI_API __attribute__((visibility("default")))

#endif
