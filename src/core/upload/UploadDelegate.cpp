#include "upload/UploadDelegate.h"

void UploadDelegate::uploadProgress(const UploadStatusPtr &)
{}

void UploadDelegate::uploadStatusUpdate(const UploadStatusPtr &)
{}
