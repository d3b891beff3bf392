// The fixed text of the generated importer class, header and source.
//
// Spliced with Splice (emitters/textsplice.h). Markers used throughout:
//   NS        the namespace (prefix of the scanner's and grammar's symbols)
//   NSUPPER   the namespace in upper case (include guard, export macro)
//   BASE      the output base name (file names)
//   CLASS     the importer class as declared: XMLImporter inside the
//             namespace, or <ns>_XMLImporter without namespaces
//   QCLASS    the class qualified for out-of-class definitions
//   and the runtime names in the naming form in use.
// Internal to the parser writer.
#ifndef TRAVIX_IMPORTERTEMPLATES_H
#define TRAVIX_IMPORTERTEMPLATES_H

#include <string_view>

namespace Travix::ImporterTemplates {

inline constexpr std::string_view kHeader = R"~(
#if !defined(_@NSUPPER@_XMLIMPORTER_H)
#define _@NSUPPER@_XMLIMPORTER_H

#if defined(_WIN32)
#pragma warning(push)
#pragma warning( disable : 4786)
#pragma warning( disable : 4275)
#pragma warning( disable : 4251)
#pragma warning( disable : 4503)
@EXPORT_BLOCK@#endif // defined(_WIN32)

#include "@RUNTIME_HEADER@"
#include "xmlimporterbase.h"
#include <cstdio>

@NAMESPACE_OPEN@class @EXPORT@@CLASS@ : public @XMLIMPORTERBASE@
{

public:
	// Constructor and destructor
	@CLASS@();
	~@CLASS@();

protected:
	// Virtual Import function. Each generated XMLImporter class will implement
	// this function to do the actual parsing and importing.
	virtual void Import();

private:
};

@NAMESPACE_CLOSE@#endif // _@NSUPPER@_XMLIMPORTER_H
)~";

inline constexpr std::string_view kExportBlock = R"~(#if defined(@NSUPPER@_EXPORTS)
#undef @NSUPPER@_XMLIMPORTER_API
#define @NSUPPER@_XMLIMPORTER_API __declspec(dllexport)
#else
#undef @NSUPPER@_XMLIMPORTER_API
#define @NSUPPER@_XMLIMPORTER_API __declspec(dllimport)
#endif // defined(@NSUPPER@_EXPORTS)
#else
#undef @NSUPPER@_XMLIMPORTER_API
#define @NSUPPER@_XMLIMPORTER_API
)~";

// The source. Import() fails when the parse fails, and also when the
// scanner counted an error the grammar could accept (text after the root
// element); a failed or interrupted parse leaves no objects behind.
inline constexpr std::string_view kSource = R"~(#include "@BASE@_xmlimporter.h"

extern "C"
{
	extern int @NS@_InitParser(FILE *fpIn, const char *szInputFile);
	extern int @NS@_nParserError;
	extern char @NS@_szParserErrorMsg[];
}

extern int @NS@_parse();
extern @XOBJECT@ *@NS@_GetRootObject();
extern void @NS@_ResetParser();

@ENTITIES_DECLARATION@@CLASS_COMMENT@@QCLASS@::@CLASS@() : 
  @XMLIMPORTERBASE@()
{
}

// Destructor
@QCLASS@::~@CLASS@()
{
}

void @QCLASS@::Import()
{
	@INIT_SYMBOL_TABLE@

	if (@NS@_InitParser(m_XMLFile, m_sOrigFileName.c_str()) != 0)
		throw @XEXCEPTION@(std::string(@NS@_szParserErrorMsg),__FILE__,__LINE__);
	int nResult = 1;
	try
	{
		nResult = @NS@_parse();
	}
	catch (...)
	{
		@NS@_ResetParser();
		throw;
	}
	if (nResult != 0 || @NS@_nParserError != 0)
	{
		@NS@_ResetParser();
		// check for lexer/parser errors 
		if (@NS@_nParserError != 0)
			throw @XEXCEPTION@(std::string(@NS@_szParserErrorMsg),__FILE__,__LINE__);
		else
			throw @XEXCEPTION@(std::string("Error: Parse failed for XML file '")+m_sOrigFileName+"': unable to continue.",__FILE__,__LINE__);
	}
	m_pXObjectRoot = @NS@_GetRootObject();
}
)~";

}  // namespace Travix::ImporterTemplates

#endif
