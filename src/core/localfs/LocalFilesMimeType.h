#pragma once

// The drag type of files and folders dragged from the local pane: their paths as UTF-8, one per line
// ('\n' separated), in row order.
inline constexpr char kLocalFilesMimeType[] = "application/x-vendra-local-files";
