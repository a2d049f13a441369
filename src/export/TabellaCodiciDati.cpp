#include "export/TabellaCodici.h"

#include <array>
#include <string_view>

namespace {

// The built-in service code table, row 0 (the column names) first. Within a row the texts come
// in the order TIPO, CODE_PUGLIA, DESCRIZ, ROWID, PROFESSIONISTA, VACCINO; the load puts text i
// into column i mod 6.
// clang-format off: one table row per line.
constexpr std::array<std::string_view, 642> kSorgente = {
    "TIPO", "CODE_PUGLIA", "DESCRIZ", "ROWID", "PROFESSIONISTA", "VACCINO", // 0
    "P", "008",
    "MEDICAZIONE: 1\xB0"
    " MEDIC.",
    "0000001", "M", "0", // 1
    "P", "001", "SUTURA FERITA SUPERFIC.", "0000002", "M", "0", // 2
    "P", "009", "MEDICAZIONE: SUCCES. MED", "0000003", "M", "0", // 3
    "P", "002", "RIMOZ. P. SUTURA E MED.", "0000004", "M", "0", // 4
    "P", "003", "CATETERISMO URETR. UOMO", "0000005", "M", "0", // 5
    "P", "004", "CATETERISMO URETR. DONNA", "0000006", "M", "0", // 6
    "P", "005", "TAMPONAMENTO NASALE ANT.", "0000007", "M", "0", // 7
    "P", "006", "FLEBOCLISI UNICA URGENTE", "0000008", "M", "0", // 8
    "P", "007", "LAVANDA GASTRICA", "0000009", "M", "0", // 9
    "P", "010", "INIEZIONE GAMMAGLOB.TET.", "0000010", "M", "0", // 10
    "X", "", "VACCINAZIONE TETANO *", "0000011", "*", "0", // 11
    "P", "011", "INIEZ.SOTTOC.DESENSIBIL.", "0000012", "M", "0", // 12
    "P", "012", "TAMP. FARINGEO X ES. BAT", "0000013", "M", "0", // 13
    "P", "013", "CICLO FLEBO: X FLEBO *", "0000015", "M", "0", // 14
    "P", "014", "CICLO INIEZ.EV: X INIE *", "0000016", "M", "0", // 15
    "P", "015", "CICLO AEROSOL: X SEDUT *", "0000017", "M", "0", // 16
    "P", "016", "VACCINAZ. NON OBBLIG. *", "0000018", "M", "1", // 17
    "X", "", "VACCINAZIONE MORBILLO *", "0000020", "*", "0", // 18
    "X", "", "VIS. AMBULAT. STRANIERI", "0000021", "*", "0", // 19
    "X", "", "VIS. DOMICIL. STRANIERI", "0000022", "*", "0", // 20
    "V", "1", "VISITA ADP", "0000023", "M", "0", // 21
    "V", "2", "VISITA ADI g.feriale", "0000024", "M", "0", // 22
    "P", "100", "PARTECIPAZIONE UVM", "0000132", "M", "0", // 23
    "P", "105", "ADI MED. COURR. FERITE", "0000133", "M", "0", // 24
    "P", "106", "ASS. DOM. CAT VESC UOMO", "0000134", "M", "0", // 25
    "P", "107", "ASS. DOM. CAT VESC DONNA", "0000135", "M", "0", // 26
    "P", "108", "ASS. DOM. FLEBOCLISI", "0000136", "M", "0", // 27
    "P", "109", "ASS. DOM. P. SONDINO NAS", "0000137", "M", "0", // 28
    "P", "110", "ASS. DOM. PARACENTESI", "0000138", "M", "0", // 29
    "P", "016", "VACCINAZIONE INFLUENZA", "0000019", "M", "1", // 30
    "P", "112", "VAC. ANTI-PNEUMO", "0000314", "M", "1", // 31
    "P", "017", "SUTURA DI FERITA SUPERF.", "0000139", "P", "0", // 32
    "P", "018", "RIMOZ. PUNTI SUTURA", "0000140", "P", "0", // 33
    "P", "019", "FLEBOCLISI UNICA", "0000141", "P", "0", // 34
    "P", "021", "TAMPONAMENTO NASALE ANT.", "0000142", "P", "0", // 35
    "P", "024", "MEDICAZIONE: PRIMA", "0000143", "P", "0", // 36
    "P", "025", "MEDICAZIONE: SUCCESSIVA", "0000144", "P", "0", // 37
    "P", "030", "TOILETTE PERIONIC SUPPOR", "0000145", "P", "0", // 38
    "P", "031", "RID PRONAZ DOLOROSA ULNA", "0000146", "P", "0", // 39
    "P", "032", "RID SUBLUSS ART SCAP-OME", "0000147", "P", "0", // 40
    "P", "033", "TER. INIEZ. DESENSIB.", "0000148", "P", "0", // 41
    "P", "036", "ASPORTAZIONE VERRUCHE", "0000149", "P", "0", // 42
    "P", "037", "INIEZIONE ENDOVENA", "0000150", "P", "0", // 43
    "P", "040", "TRATT FRAT/LUSS GR SEG", "0000151", "P", "0", // 44
    "P", "041", "TRATT FRAT/LUSS PICC SEG", "0000152", "P", "0", // 45
    "P", "042", "SCREENING PER AMBLIOPIA", "0000153", "P", "0", // 46
    "P", "043", "BOEL TEST", "0000154", "P", "0", // 47
    "P", "045", "TEST CUTANEI ALLERGOMETR", "0000156", "P", "0", // 48
    "P", "061", "FRENULECTOMIA LINGUALE", "0000157", "P", "0", // 49
    "P", "062", "CATETERISMO VESCICALE", "0000158", "P", "0", // 50
    "P", "063", "DRENAG ASCESSO SOTTOCUT", "0000159", "P", "0", // 51
    "P", "064", "RIDUZIONE TAPPO CERUME", "0000160", "P", "0", // 52
    "P", "065", "RIMOZIONE CORPO ESTRANEO", "0000161", "P", "0", // 53
    "P", "068", "VACCINAZ. NON OBBLIG.", "0000162", "P", "0", // 54
    "P", "069", "PCR", "0000163", "P", "0", // 55
    "P", "070", "RICERCA SBEGA", "0000164", "P", "0", // 56
    "P", "075", "SCOLIOMETRIA", "0000168", "P", "0", // 57
    "P", "083", "TERAP AEROSOL PER SEDUTA", "0000169", "P", "0", // 58
    "P", "086", "TEST ACU VISU", "0000172", "P", "0", // 59
    "P", "087", "TEST RAPIDO MONONUCLEOSI", "0000173", "P", "0", // 60
    "P", "092", "ECG", "0000176", "P", "0", // 61
    "P", "094", "TEST ALLA LUCE DI WOOD", "0000178", "P", "0", // 62
    "P", "095", "TEST RAPIDO ADENOVIRUS", "0000179", "P", "0", // 63
    "P", "096", "TEST RAPIDO CELIACHIA", "0000180", "P", "0", // 64
    "P", "097", "TEST RAPIDO INFLUENZA", "0000181", "P", "0", // 65
    "P", "098", "TEST RAPIDO ROTAVIRUS", "0000182", "P", "0", // 66
    "P", "099", "CERTIFICATO SPORTIVO", "0000183", "P", "0", // 67
    "P", "091", "CONTA LEUCOCITARIA", "0000185", "P", "0", // 68
    "P", "090", "AGGLUTININE A FRIGORE", "0000186", "P", "0", // 69
    "P", "093", "MICROVES", "0000188", "P", "0", // 70
    "P", "072", "OTOSCOPIA PNEUMATICA", "0000189", "P", "0", // 71
    "P", "084", "PODOSCOPIA", "0000190", "P", "0", // 72
    "P", "085", "STICK URINE (10 PARAM)", "0000191", "P", "0", // 73
    "P", "071", "PRICK TESTS", "0000192", "P", "0", // 74
    "P", "044", "SPIROMETRIA", "0000193", "P", "0", // 75
    "P", "073", "IMPEDENZIOMETRIA", "0000194", "P", "0", // 76
    "V", "4", "VISITA AAP", "0000195", "M", "0", // 77
    "V", "5", "VISITA ADT", "0000196", "M", "0", // 78
    "V", "7", "VISITA ADI/SLA g.feriale", "0000197", "M", "0", // 79
    "V", "8", "VISITA ADI/SLA g.fes.", "0000198", "M", "0", // 80
    "X", "", "ATTIVAZIONE ADI", "0000199", "M", "0", // 81
    "X", "", "ATTIVAZIONE ADP", "0000200", "M", "0", // 82
    "V", "6", "VISITA ADI g.fest.", "0000201", "M", "0", // 83
    "P", "066", "VAC.INFL.SUP 75", "0000248", "M", "1", // 84
    "P", "067", "VAC.INFL.SUP 75 (IN ADI)", "0000249", "M", "1", // 85
    "P", "048", "CATET.URE.UOMO (IN ADI)", "0000250", "M", "0", // 86
    "P", "049", "CATET.URE.DONNA (IN ADI)", "0000251", "M", "0", // 87
    "P", "050", "TAMP.NASALE ANT (IN ADI)", "0000252", "M", "0", // 88
    "P", "051", "FLEBO (UNIC-URG)(IN ADI)", "0000253", "M", "0", // 89
    "P", "053", "PRIMA MEDICAZ (IN ADI)", "0000254", "M", "0", // 90
    "P", "054", "SUCCES. MEDICAZ (IN ADI)", "0000255", "M", "0", // 91
    "P", "055", "IN.GAMMAGL/TETA.(IN ADI)", "0000256", "M", "0", // 92
    "P", "056", "IN.SOTTOC.DESEN.(IN ADI)", "0000257", "M", "0", // 93
    "P", "058", "CIC.FLEBO(SING)(IN ADI)", "0000258", "M", "0", // 94
    "P", "060", "CIC.AER/CALD.UM.(IN ADI)", "0000259", "M", "0", // 95
    "P", "046", "SUT.FER.SUPERF (IN ADI)", "0000260", "M", "0", // 96
    "P", "047", "RIM.PUNT.SUTURA (IN ADI)", "0000261", "M", "0", // 97
    "P", "052", "LAVANDA GASTR. (IN ADI)", "0000262", "M", "0", // 98
    "P", "057", "TAMP. FARINGEO (IN ADI)", "0000263", "M", "0", // 99
    "P", "059", "CICLO INIEZ EV. (IN ADI)", "0000264", "M", "0", // 100
    "P", "016", "VACCINAZIONE TETANO", "0000011", "M", "1", // 101
    "P", "016", "VACCINAZIONE MORBILLO", "0000020", "M", "1", // 102
    "P", "016", "VAC. ANTI-PNEUMO", "0000314", "M", "1", // 103
    "P", "122", "TAMPONE ANT. RAPIDO(AMB)", "0000126", "M", "0", // 104
    "P", "124", "TAMPONE ANT.RAPIDO(ASL)", "0000127", "M", "0", // 105
    "P", "126", "CONTACT TRACING", "0000315", "M", "0", // 106
};
// clang-format on

} // namespace

std::span<const std::string_view> TabellaCodici::sorgente()
{
    return kSorgente;
}
