#include "WsIniCtrl.h"

#include "Errors.h"
#include "IniFileStore.h"
#include "SjisConvert.h"
#include "wsclass.h"

TWsIniCtrl::TWsIniCtrl(QObject* owner) : TWsCustomComponent(owner) {}

std::string TWsIniCtrl::IniFilePath()
{
    const std::string& program = WsApplication.ExeName();
    if (IniFile.empty()) IniFile = WithIniExtension(program);
    if (IniPrefix == ppFixed) return IniFile;
    std::string folder(FolderPart(program));
    if (IniPrefix != ppProgram) folder = UserConfigFolder().value_or(folder);
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + std::string(FileNamePart(IniFile));
}

std::string TWsIniCtrl::EffectiveSection(const std::string& section)
{
    if (section.find_first_not_of(' ') == std::string::npos) {
        return FLastSection.empty() ? "Common" : FLastSection;
    }
    FLastSection = section;
    return section;
}

std::string TWsIniCtrl::FetchValue(const std::string& section, const std::string& ident, const std::string& fallback)
{
    const std::string path = IniFilePath();
    return WsApplication.OpenProfile(path)->Read(EffectiveSection(section), ident, fallback);
}

void TWsIniCtrl::StoreValue(const std::string& section, const std::string& ident, const std::string& value)
{
    const std::string path = IniFilePath();
    if (WsApplication.OpenProfile(path)->Write(EffectiveSection(section), ident, value)) return;
    // "%s に書き込めません"; file names are UTF-8 here, messages Shift-JIS.
    throw EHarvikError(SjisFromUtf8(path) + " \x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1");
}

void TWsIniCtrl::RemoveValue(const std::string& section, const std::string& ident)
{
    const std::string path = IniFilePath();
    WsApplication.OpenProfile(path)->Remove(EffectiveSection(section), ident);
}
