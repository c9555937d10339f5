#include "kb/RtfKeyword.h"

#include <QChar>

#include <unordered_map>

namespace kestrel {

namespace {

using Id = RtfKeyword::Id;

const std::unordered_map<std::string_view, Id>& table()
{
    static const std::unordered_map<std::string_view, Id> kTable = {
        {"fonttbl", Id::fonttbl},
        {"colortbl", Id::colortbl},
        {"pict", Id::pict},
        {"shppict", Id::shppict},
        {"nonshppict", Id::nonshppict},
        {"shp", Id::shp},
        {"shpgrp", Id::shpgrp},
        {"shpinst", Id::shpinst},
        {"sp", Id::sp},
        {"sn", Id::sn},
        {"sv", Id::sv},
        {"shptxt", Id::shptxt},
        {"shprslt", Id::shprslt},
        {"do", Id::Do},
        {"dptxbxtext", Id::dptxbxtext},
        {"object", Id::object},
        {"result", Id::result},
        {"upr", Id::upr},
        {"ud", Id::ud},
        {"footnote", Id::footnote},
        {"listtext", Id::listtext},
        {"pntext", Id::pntext},
        {"pn", Id::pn},
        {"pntxtb", Id::pntxtb},
        {"pntxta", Id::pntxta},
        {"nesttableprops", Id::nesttableprops},
        {"listtable", Id::listtable},
        {"listoverridetable", Id::listoverridetable},
        {"list", Id::list},
        {"listlevel", Id::listlevel},
        {"leveltext", Id::leveltext},
        {"listoverride", Id::listoverride},
        {"lfolevel", Id::lfolevel},
        {"levelnumbers", Id::skipped},
        {"listname", Id::skipped},
        {"listpicture", Id::skipped},

        {"stylesheet", Id::skipped},
        {"info", Id::skipped},
        {"header", Id::skipped},
        {"headerl", Id::skipped},
        {"headerr", Id::skipped},
        {"headerf", Id::skipped},
        {"footer", Id::skipped},
        {"footerl", Id::skipped},
        {"footerr", Id::skipped},
        {"footerf", Id::skipped},
        {"annotation", Id::skipped},
        {"revtbl", Id::skipped},
        {"rsidtbl", Id::skipped},
        {"generator", Id::skipped},
        {"xmlnstbl", Id::skipped},
        {"themedata", Id::skipped},
        {"colorschememapping", Id::skipped},
        {"latentstyles", Id::skipped},
        {"datastore", Id::skipped},
        {"fldinst", Id::skipped},
        {"pgdsctbl", Id::skipped},
        {"userprops", Id::skipped},
        {"docvar", Id::skipped},
        {"mmathPr", Id::skipped},
        {"bkmkstart", Id::skipped},
        {"bkmkend", Id::skipped},
        {"filetbl", Id::skipped},
        {"template", Id::skipped},
        {"xe", Id::skipped},
        {"tc", Id::skipped},
        {"atnid", Id::skipped},
        {"atnauthor", Id::skipped},
        {"private", Id::skipped},
        {"objdata", Id::skipped},
        {"objclass", Id::skipped},
        {"nonesttables", Id::skipped},
        {"ftnsep", Id::skipped},
        {"ftnsepc", Id::skipped},
        {"ftncn", Id::skipped},
        {"aftnsep", Id::skipped},
        {"aftnsepc", Id::skipped},
        {"aftncn", Id::skipped},
        {"pnseclvl", Id::skipped},
        {"comment", Id::skipped},
        {"title", Id::skipped},
        {"author", Id::skipped},
        {"operator", Id::skipped},
        {"keywords", Id::skipped},
        {"subject", Id::skipped},
        {"doccomm", Id::skipped},
        {"picprop", Id::skipped},
        {"blipuid", Id::skipped},
        {"fontemb", Id::skipped},
        {"fontfile", Id::skipped},
        {"falt", Id::skipped},
        {"panose", Id::skipped},

        {"ansi", Id::ansi},
        {"ansicpg", Id::ansicpg},
        {"pc", Id::pc},
        {"pca", Id::pca},
        {"mac", Id::mac},
        {"deff", Id::deff},
        {"fcharset", Id::fcharset},
        {"cpg", Id::cpg},
        {"red", Id::red},
        {"green", Id::green},
        {"blue", Id::blue},

        {"plain", Id::plain},
        {"b", Id::b},
        {"i", Id::i},
        {"ul", Id::ul},
        {"uld", Id::ul},
        {"uldash", Id::ul},
        {"uldashd", Id::ul},
        {"uldashdd", Id::ul},
        {"uldb", Id::ul},
        {"ulhwave", Id::ul},
        {"ulldash", Id::ul},
        {"ulth", Id::ul},
        {"ulthd", Id::ul},
        {"ulthdash", Id::ul},
        {"ulthdashd", Id::ul},
        {"ulthdashdd", Id::ul},
        {"ulthldash", Id::ul},
        {"ululdbwave", Id::ul},
        {"ulw", Id::ul},
        {"ulwave", Id::ul},
        {"ulnone", Id::ulnone},
        {"strike", Id::strike},
        {"striked", Id::striked},
        {"sub", Id::sub},
        {"super", Id::super},
        {"nosupersub", Id::nosupersub},
        {"up", Id::up},
        {"dn", Id::dn},
        {"highlight", Id::highlight},
        {"chcbpat", Id::chcbpat},
        {"cb", Id::cb},
        {"v", Id::v},
        {"caps", Id::caps},
        {"scaps", Id::scaps},
        {"f", Id::f},
        {"fs", Id::fs},
        {"cf", Id::cf},
        {"u", Id::u},
        {"uc", Id::uc},

        {"par", Id::par},
        {"sect", Id::sect},
        {"page", Id::page},
        {"line", Id::line},
        {"tab", Id::tab},
        {"emdash", Id::emdash},
        {"endash", Id::endash},
        {"bullet", Id::bullet},
        {"lquote", Id::lquote},
        {"rquote", Id::rquote},
        {"ldblquote", Id::ldblquote},
        {"rdblquote", Id::rdblquote},
        {"emspace", Id::emspace},
        {"enspace", Id::enspace},
        {"qmspace", Id::qmspace},
        {"chftn", Id::chftn},
        {"cell", Id::cell},
        {"row", Id::row},
        {"nestcell", Id::nestcell},
        {"nestrow", Id::nestrow},

        {"ls", Id::ls},
        {"ilvl", Id::ilvl},
        {"pard", Id::pard},
        {"ql", Id::ql},
        {"qc", Id::qc},
        {"qr", Id::qr},
        {"qj", Id::qj},
        {"li", Id::li},
        {"ri", Id::ri},
        {"fi", Id::fi},
        {"sb", Id::sb},
        {"sa", Id::sa},
        {"intbl", Id::intbl},
        {"itap", Id::itap},

        {"trowd", Id::trowd},
        {"trleft", Id::trleft},
        {"trql", Id::trql},
        {"trqc", Id::trqc},
        {"trqr", Id::trqr},
        {"cellx", Id::cellx},
        {"clmrg", Id::clmrg},
        {"clvmgf", Id::clvmgf},
        {"clvmrg", Id::clvmrg},
        {"clbrdrt", Id::clbrdr},
        {"clbrdrl", Id::clbrdr},
        {"clbrdrb", Id::clbrdr},
        {"clbrdrr", Id::clbrdr},
        {"trbrdrt", Id::trbrdr},
        {"trbrdrl", Id::trbrdr},
        {"trbrdrb", Id::trbrdr},
        {"trbrdrr", Id::trbrdr},
        {"trbrdrh", Id::trbrdr},
        {"trbrdrv", Id::trbrdr},
        {"brdrt", Id::parabrdr},
        {"brdrl", Id::parabrdr},
        {"brdrb", Id::parabrdr},
        {"brdrr", Id::parabrdr},
        {"brdrbtw", Id::parabrdr},
        {"brdrbar", Id::parabrdr},
        {"box", Id::parabrdr},
        {"brdrnone", Id::brdrnone},
        // Properties of a border that are no style of their own.
        {"brdrw", Id::Unknown},
        {"brdrcf", Id::Unknown},
        {"brdrsp", Id::Unknown},
        {"brdrframe", Id::Unknown},

        {"pngblip", Id::pngblip},
        {"jpegblip", Id::jpegblip},
        {"emfblip", Id::emfblip},
        {"wmetafile", Id::wmetafile},
        {"dibitmap", Id::dibitmap},
        {"wbitmap", Id::wbitmap},
        {"macpict", Id::macpict},
        {"pmmetafile", Id::pmmetafile},
        {"picw", Id::picw},
        {"pich", Id::pich},
        {"picwgoal", Id::picwgoal},
        {"pichgoal", Id::pichgoal},
        {"picscalex", Id::picscalex},
        {"picscaley", Id::picscaley},

        {"pnf", Id::pnf},
    };
    return kTable;
}

} // namespace

RtfKeyword::Id RtfKeyword::lookup(std::string_view word)
{
    const auto& t = table();
    if (const auto found = t.find(word); found != t.end())
        return found->second;
    // Border styles are many (\brdrs, \brdrdb, \brdrdot, \brdrtriple, ...); all of them draw a border.
    if (word.size() > 4 && word.substr(0, 4) == "brdr")
        return Id::brdrstyle;
    return Id::Unknown;
}

char16_t RtfKeyword::character(Id id)
{
    switch (id) {
    case Id::line:
        return QChar::LineSeparator;
    case Id::tab:
    case Id::nestcell: // a cell of a table inside a cell: read as tab-separated text
        return u'\t';
    case Id::emdash:
        return 0x2014;
    case Id::endash:
        return 0x2013;
    case Id::bullet:
        return 0x2022;
    case Id::lquote:
        return 0x2018;
    case Id::rquote:
        return 0x2019;
    case Id::ldblquote:
        return 0x201C;
    case Id::rdblquote:
        return 0x201D;
    case Id::emspace:
        return 0x2003;
    case Id::enspace:
        return 0x2002;
    case Id::qmspace:
        return 0x2005;
    default:
        return 0;
    }
}

} // namespace kestrel
