#pragma once
// An output written beside its destination under a temporary name and renamed over it only when complete,
// so that a failure (or Ctrl-C) never leaves a partial file where the finished one belongs.
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

    // Creates the temporary file in the destination's folder. False with `error` set when it cannot.
    bool Create(const std::string& destination, std::string& error);
    const std::string& TemporaryPath() const { return m_Temporary; }
    const std::string& Destination() const { return m_Destination; }
    // Renames the finished temporary file to the destination.
    bool Commit(std::string& error);
    void Discard();

private:
    std::string m_Destination;
    std::string m_Temporary;
};
} // namespace KVX::Tovik
