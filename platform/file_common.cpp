// What CFileException does the same way on every system.
#include "platform/file.h"

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

namespace {

// The sentence for each cause, in two parts around the file's name.
struct Sentence {
    const wchar_t* before;
    const wchar_t* after;
};

Sentence CauseSentence(int cause)
{
    switch (cause) {
    case CFileException::fileNotFound: return {L"Le fichier ", L" est introuvable."};
    case CFileException::badPath: return {L"Le chemin du fichier ", L" n'est pas valide."};
    case CFileException::tooManyOpenFiles: return {L"Trop de fichiers sont ouverts pour ouvrir ", L"."};
    case CFileException::accessDenied: return {L"L'accès au fichier ", L" a été refusé."};
    case CFileException::sharingViolation:
    case CFileException::lockViolation: return {L"Le fichier ", L" est utilisé par un autre programme."};
    case CFileException::diskFull: return {L"Le disque est plein : le fichier ", L" n'a pas pu être écrit."};
    case CFileException::hardIO: return {L"Erreur de lecture ou d'écriture sur le fichier ", L"."};
    default: return {L"Une erreur s'est produite sur le fichier ", L"."};
    }
}

}  // namespace

void CFileException::GetErrorMessage(wchar_t* buffer, std::size_t count) const
{
    wchar_t name[260];
    WidenFileName(m_szFileName, name, 260);
    wchar_t reason[256];
    SystemErrorText(m_lOsError, reason, 256);
    const Sentence sentence = CauseSentence(m_cause);
    CTextBuilder text(buffer, count);
    text << sentence.before << name << sentence.after;
    if (reason[0] != L'\0')
        text << L"\n\n" << reason;
}
