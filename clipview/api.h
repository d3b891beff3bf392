// Export control of the image library that the control and its containers
// share, built with hidden visibility like every library of the project.
#ifndef CLIPVIEW_API_H
#define CLIPVIEW_API_H

#define CLIPVIEW_API __attribute__((visibility("default")))

#endif
