// The Open Texture dialog's long names kept between processes, in the user's
// local application data ("<local application data>\Oriel\OrielVMX.names"):
// a host started again lists a library it listed before without opening its
// files. The file is only ever a copy of what can be read again; deleting it
// costs one slower listing.
#pragma once

namespace chooser {

// Before the dialog lists anything: takes in the kept file when this process
// has not seen it yet, or another process has written it since.
void takeKeptLongNames();
// After the dialog: writes the file when files were read for their long
// names since it was last taken in or written.
void keepLongNames();

}  // namespace chooser
