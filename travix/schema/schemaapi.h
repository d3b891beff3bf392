// Export control of the shared schema helpers.
//
// They are one static library, linked into the code writer library srcwri,
// which exports them to the generator and to users' tools, and into each
// reader, which keeps its copy to itself (its link drops these exports).
#ifndef TRAVIX_SCHEMAAPI_H
#define TRAVIX_SCHEMAAPI_H

#define TRAVIX_SCHEMA_API __attribute__((visibility("default")))

#endif
