// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An output written beside its destination under a temporary name and renamed over it only when complete,
// so that a failure (or a signal) never leaves a partial file where the finished one belongs. A destination
// that is not a regular file (a device such as /dev/null, a FIFO) is written directly instead, since
// renaming over it would destroy it; a symbolic link is followed and its target replaced.
#include <cstddef>
#include <string>

namespace KVX::Tovik
{
class OutputFile
{
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Removes the temporary file unless Commit succeeded.
    ~OutputFile();

    // Opens the output: a temporary file in the destination's folder (with an existing file's mode and
    // owner), or the destination itself when it is not a regular file. False with `error` set.
    bool Create(const std::string& destination, std::string& error);
    // Where the bytes go until Commit; -1 before Create and after Commit or Discard.
    int Descriptor() const { return m_Fd; }
    // The name given to Create, for messages.
    const std::string& Destination() const { return m_Destination; }
    // Whether the descriptor is the destination itself rather than a temporary file.
    bool Direct() const { return m_Temporary.empty(); }

    // Writes all of `data`. False with "cannot write DESTINATION: reason" in `error`.
    bool Write(const void* data, std::size_t size, std::string& error);
    // "cannot write DESTINATION: " and the system's text for `code`.
    std::string Failure(int code) const;

    // Closes the file and renames a temporary file to the destination.
    bool Commit(std::string& error);
    void Discard();

    // Makes every catchable signal that ends the process remove the temporary files still pending first,
    // and has a write beyond the file-size limit fail with EFBIG instead of ending the process. Call once,
    // early; later handlers of a command (the editor's Ctrl-C) take precedence for their signals.
    static void InstallSignalCleanup();

private:
    std::string m_Destination;
    std::string m_Target;
    std::string m_Temporary;
    int m_Fd = -1;
};
} // namespace KVX::Tovik
