#pragma once
// Writer of a document as a flat OpenDocument spreadsheet (one XML file, ".fods"), the form in
// which LibreOffice Calc reads what we hand it for conversion:
//
//   office:document (office:mimetype application/vnd.oasis.opendocument.spreadsheet, version 1.2)
//     office:automatic-styles
//       style:style "co<n>" family table-column: style:column-width in millimetres, one per width
//       style:style "ceb" family table-cell: bold text (fo:font-weight and its Asian and complex forms)
//     office:body / office:spreadsheet / table:table (the sheet's name)
//       table:table-column, one per column up to the last with a width; default width without style
//       table:table-row for each row (runs of empty rows as one row with table:number-rows-repeated)
//         table:table-cell, empty ones merged with table:number-columns-repeated:
//           text: office:value-type "string", office:string-value with the exact text (tab, CR and
//                 LF as character references so XML keeps them), and the text again in text:p
//                 with text:s for runs of blanks, text:tab and text:line-break
//           number: office:value-type "float", office:value the shortest text that reads back exactly
//           bold: table:style-name "ceb"
//
// Characters XML 1.0 cannot carry (control characters other than tab, CR and LF, unpaired
// surrogates, U+FFFE and U+FFFF) become "?".
#include "export/sheet_document.h"

#include <QByteArray>

namespace talvena {

// Column widths of the document are hundredths of millimetres.
QByteArray BuildFlatOds(const SheetDocument& document);

} // namespace talvena
