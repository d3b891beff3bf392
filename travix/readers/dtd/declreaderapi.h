// Export control of the declreader library (built with hidden visibility).
#ifndef TRAVIX_DECLREADERAPI_H
#define TRAVIX_DECLREADERAPI_H

#define DECLREADER_API __attribute__((visibility("default")))

#endif
