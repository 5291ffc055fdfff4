// Property numbers of the file drivers: of a file (SET_PROPERTY 71,
// GET_PROPERTY 72; values as text), of one key of a file (SETPROPERTYkey
// 85, GETPROPERTYkey 86; values as text) and of one memo or blob in the
// record buffer (BLOB_SET_PROP 78, BLOB_GET_PROP 79; values as numbers).
//
// A driver answers 80 ("Unsupported File Driver Function") to a number it
// does not know and to setting a property that can only be read, and 37
// when the property needs an open file and the file is closed.
#pragma once

#include <cstdint>

namespace rt {

enum FileProperty : int32_t {
  FileProp_SqlDriver = 29508,        // "1" for a driver that speaks SQL, else "0"; read only
  FileProp_FileSize = 29511,         // the physical file's size in bytes; read only, open file
  FileProp_MultiRecordRead = 29525,  // records the program is about to read in a row; 0: none
  FileProp_DecimalCheck = 29701,     // "ON"/"OFF": decimal bytes compared when the layout is verified
  FileProp_FullBuild = 29702,        // "ON"/"OFF": key builds enter every record
  FileProp_Flags = 29703,            // the table's free marker value (a number); open file
  FileProp_TableName = 29704,        // the table's name as stored in the file; read only, open file
  FileProp_Records = 29705,          // records of the table; read only, open file
};

enum KeyProperty : int32_t {
  KeyProp_Label = 29801,       // "PRE:CLAVE_X"
  KeyProp_Components = 29802,  // "+PRE:A,-PRE:B", as run-time index builds take them
  KeyProp_Attributes = 29803,  // the attribute byte as a decimal number
  KeyProp_Entries = 29804,     // entries of the key; open file
  KeyProp_Complete = 29805,    // "1" when the key holds every record (built), else "0"; open file
};
// Every key property is read only.

enum BlobProperty : int32_t {
  BlobProp_Size = 29901,          // bytes in the buffer; setting it cuts or extends the value
  BlobProp_Binary = 29902,        // 1 for binary contents; read only
  BlobProp_Blob = 29903,          // 1 for a blob, 0 for a memo; read only
  BlobProp_DeclaredSize = 29904,  // the declared size; read only
};

}  // namespace rt
