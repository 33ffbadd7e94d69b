#pragma once

class UploadStatus;

// Whether a file upload's album already holds a file of the same name and size, as far as the
// album's loaded contents tell (the contents fetch a drop queues before its files loads them, and
// every upload of this session adds its asset).
namespace StoredFileCheck {

bool isAlreadyStored(const UploadStatus &record);

} // namespace StoredFileCheck
