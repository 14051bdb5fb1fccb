// TMappedFile: a data file mapped read-only into memory that does not bring the program down when
// another process shortens the file while it is being read.
#pragma once

#include <QtGlobal>

// Touching a mapped page past the end of a file that has shrunk raises SIGBUS. While a TMappedFile
// lives, such a fault inside its mapping is caught: the rest of the mapping from the faulting page
// on turns into zero pages, the faulting read goes on reading zeros and LostPages() tells that the
// bytes read are no longer the file's. Faults anywhere else go on to the handler that was there
// before, or kill the program as they would have.
class TMappedFile {
public:
    // Maps the whole file open as fd. When it cannot be mapped (empty file, a device or pipe, no
    // room left among the files watched), the object stays unmapped and the caller reads the file.
    explicit TMappedFile(int fd) noexcept;
    ~TMappedFile();
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;

    bool IsMapped() const { return data_ != nullptr; }
    const char* Data() const { return data_; }
    qsizetype Size() const { return size_; }

    // A page past the file's new end was touched and read as zeros. One atomic load: cheap enough
    // to be asked at every step of a long reading.
    bool LostPages() const noexcept;
    // LostPages(), or the file is now shorter than it was mapped (the shrinking may have spared
    // the pages read but zeroed the end of the last one).
    bool Shrank() const noexcept;
    // Gives back the memory of the whole pages inside [from, to), which will not be read again.
    void Release(qsizetype from, qsizetype to) const noexcept;

private:
    const char* data_ = nullptr;
    qsizetype size_ = 0;
    size_t mappedLength_ = 0; // whole pages
    int fd_ = -1;             // a duplicate kept for the size check
    int slot_ = -1;           // in the registry the fault handler searches
};
