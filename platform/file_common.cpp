// What CFileException does the same way on every system.
#include "platform/file.h"

#include <cstring>
#include <cwchar>

#include "platform/file_system.h"

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

namespace {

// The sentence for each cause; %ls is the file's name.
const wchar_t* CauseSentence(int cause)
{
    switch (cause) {
    case CFileException::fileNotFound: return L"Le fichier %ls est introuvable.";
    case CFileException::badPath: return L"Le chemin du fichier %ls n'est pas valide.";
    case CFileException::tooManyOpenFiles: return L"Trop de fichiers sont ouverts pour ouvrir %ls.";
    case CFileException::accessDenied: return L"L'accès au fichier %ls a été refusé.";
    case CFileException::sharingViolation:
    case CFileException::lockViolation: return L"Le fichier %ls est utilisé par un autre programme.";
    case CFileException::diskFull: return L"Le disque est plein : le fichier %ls n'a pas pu être écrit.";
    case CFileException::hardIO: return L"Erreur de lecture ou d'écriture sur le fichier %ls.";
    default: return L"Une erreur s'est produite sur le fichier %ls.";
    }
}

}  // namespace

void CFileException::GetErrorMessage(wchar_t* buffer, std::size_t count) const
{
    if (count == 0)
        return;
    wchar_t name[260];
    WidenFileName(m_szFileName, name, 260);
    wchar_t reason[256];
    SystemErrorText(m_lOsError, reason, 256);
    int written = std::swprintf(buffer, count, CauseSentence(m_cause), name);
    if (written < 0) {
        buffer[count - 1] = L'\0';
        return;
    }
    if (reason[0] != L'\0' && static_cast<std::size_t>(written) < count)
        std::swprintf(buffer + written, count - written, L"\n\n%ls", reason);
}
