// What CFile and CFileException do the same way on every system: the messages and
// the names of temporary files.
#include "platform/file.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "platform/file_system.h"
#include "platform/text_builder.h"

CFileException::CFileException(int cause, long osError, const char* fileName)
    : m_cause(cause), m_lOsError(osError), m_szFileName()
{
    SetFileName(fileName);
}

void CFileException::SetFileName(const char* fileName)
{
    m_szFileName[0] = '\0';
    if (fileName != nullptr) {
        std::strncpy(m_szFileName, fileName, sizeof m_szFileName - 1);
        m_szFileName[sizeof m_szFileName - 1] = '\0';
    }
}

bool CFile::OpenWaiting(const char* fileName, unsigned openFlags, CFileException* error)
{
    CFileException e;
    for (int attempt = 1;; ++attempt) {
        if (Open(fileName, openFlags, &e))
            return true;
        const bool held = e.m_cause == CFileException::sharingViolation ||
                          e.m_cause == CFileException::lockViolation || e.m_cause == CFileException::accessDenied;
        if (!held || attempt == kBusyAttempts)
            break;
        PauseWhileBusy();
    }
    if (error != nullptr)
        *error = e;
    return false;
}

bool CFile::MayWriteThrough(Owner owner)
{
    return owner != Owner::someoneElse;
}

CFile::Refusal CFile::ClassifyRefusal(int probeCause, int renameCause)
{
    const auto held = [](int cause) {
        return cause == CFileException::sharingViolation || cause == CFileException::lockViolation;
    };
    if (probeCause != CFileException::none)
        return held(probeCause) ? Refusal::inUse : Refusal::refused;
    // It may be deleted, and no one holds it without letting others delete it: only
    // a reader that shares deletion stops the rename that is not POSIX's.
    return held(renameCause) || renameCause == CFileException::accessDenied ? Refusal::inUse : Refusal::refused;
}

namespace {

// The sentence for each cause, in two parts around the file's name.
struct Sentence {
    const wchar_t* before;
    const wchar_t* after;
};

Sentence FileSentence(int cause)
{
    switch (cause) {
    case CFileException::fileNotFound: return {L"Le fichier ", L" est introuvable."};
    case CFileException::badPath: return {L"Le chemin du fichier ", L" n'est pas valide."};
    case CFileException::tooManyOpenFiles: return {L"Trop de fichiers sont ouverts pour ouvrir ", L"."};
    case CFileException::accessDenied: return {L"L'accès au fichier ", L" a été refusé."};
    case CFileException::sharingViolation:
    case CFileException::lockViolation: return {L"Le fichier ", L" est utilisé par un autre programme."};
    case CFileException::diskFull: return {L"Le disque est plein\u00a0: le fichier ", L" n'a pas pu être écrit."};
    case CFileException::hardIO: return {L"Erreur de lecture ou d'écriture sur le fichier ", L"."};
    default: return {L"Une erreur s'est produite sur le fichier ", L"."};
    }
}

// The same for a folder where a file could not be created or written.
Sentence FolderSentence(int cause)
{
    switch (cause) {
    case CFileException::fileNotFound:
    case CFileException::badPath: return {L"Le dossier ", L" est introuvable."};
    case CFileException::accessDenied: return {L"L'accès au dossier ", L" a été refusé\u00a0: aucun fichier n'a pu y être créé."};
    case CFileException::diskFull: return {L"Le disque du dossier ", L" est plein\u00a0: le fichier n'a pas pu y être écrit."};
    case CFileException::hardIO: return {L"Erreur d'écriture dans le dossier ", L"."};
    default: return {L"Aucun fichier n'a pu être écrit dans le dossier ", L"."};
    }
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

void CFileException::GetErrorMessage(wchar_t* buffer, std::size_t count) const
{
    wchar_t name[260];
    WidenFileName(m_szFileName, name, 260);
    wchar_t reason[256];
    SystemErrorText(m_lOsError, reason, 256);
    const std::size_t length = std::strlen(m_szFileName);
    const bool folder = length > 0 && IsSeparator(m_szFileName[length - 1]);
    const Sentence sentence = folder ? FolderSentence(m_cause) : FileSentence(m_cause);
    CTextBuilder text(buffer, count);
    text << sentence.before << name << sentence.after;
    if (reason[0] != L'\0')
        text << L"\n\n" << reason;
}

bool TemporaryNameBeside(const char* fileName, std::uint32_t id, char* buffer, std::size_t count)
{
    char hex[9];
    const auto end = std::to_chars(hex, hex + 8, id, 16).ptr;
    const std::size_t digits = static_cast<std::size_t>(end - hex);
    const std::size_t length = std::strlen(fileName);
    if (length + 1 + 8 + 4 + 1 > count)
        return false;
    char* p = buffer;
    p = std::copy(fileName, fileName + length, p);
    *p++ = '.';
    p = std::fill_n(p, 8 - digits, '0');
    p = std::copy(hex, end, p);
    p = std::copy_n(".tmp", 5, p);
    return true;
}

std::uint32_t NextTemporaryId(std::uint64_t& state)
{
    // splitmix64: every seed gives a well-spread sequence.
    std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
}

void FolderOf(const char* fileName, char* buffer, std::size_t count)
{
    std::size_t end = std::strlen(fileName);
    while (end > 0 && !IsSeparator(fileName[end - 1]))
        --end;
    if (end + 1 > count)
        end = 0;
    std::memcpy(buffer, fileName, end);
    buffer[end] = '\0';
}
