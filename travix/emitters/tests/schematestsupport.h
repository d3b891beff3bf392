// Shared by the schema front-end tests: a writer that opens its protected
// queries, beside the inline schemas and outlines of the schema helpers.
#ifndef TRAVIX_SCHEMATESTSUPPORT_H
#define TRAVIX_SCHEMATESTSUPPORT_H

#include "travix/emitters/tqschemasrcwriter.h"
#include "travix/schema/tests/schemadocuments.h"

namespace SchemaTest {

// A writer without files of its own, for driving the front end.
class FrontEnd : public Travix::TqSchemaSrcWriter {
public:
  bool Emit() override { return true; }
  using TqSchemaSrcWriter::ClassTypeOf;
  using TqSchemaSrcWriter::ContentModelOf;
  using TqSchemaSrcWriter::Emit;
  using TqSchemaSrcWriter::FindType;
  using TqSchemaSrcWriter::GetBasetype;
  using TqSchemaSrcWriter::GetDocument;
  using TqSchemaSrcWriter::GetReferableMap;
  using TqSchemaSrcWriter::GetSchemaNode;
  using TqSchemaSrcWriter::GetTypesMap;
  using TqSchemaSrcWriter::IsNumericType;
  using TqSchemaSrcWriter::OrderOf;
};

}  // namespace SchemaTest

#endif
