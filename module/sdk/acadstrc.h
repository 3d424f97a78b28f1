// Error status of the host's database and geometry calls: eOk (0) is success.
#pragma once

namespace Acad {
enum ErrorStatus {
    eOk = 0,
    eNotImplementedYet = 1,
    eNotApplicable = 2,
    eInvalidInput = 3,
    eOutOfMemory = 6,
    eUnknownHandle = 13,
    eNullObjectPointer = 15,
    eNullObjectId = 16,
    eNullEntityPointer = 20,
    eKeyNotFound = 22,
    eDuplicateKey = 23,
    eInvalidIndex = 24,
    eNotInDatabase = 52,
    eWasErased = 54,
    eAlreadyInDb = 56,
    eDegenerateGeometry = 60,
    eNotThatKindOfClass = 63,
    eWasOpenedForWrite = 80,
    eWasOpenedForRead = 81,
    eWasNotOpenedForWrite = 82,
    eNotOpenForWrite = 87,
    eNotOpenForRead = 88,
    eAtMaxReaders = 90,
    eWrongDatabase = 91,
    eInvalidAdsName = 97,
    eNotInBlock = 100,
    eInvalidLayer = 105
};
}  // namespace Acad
