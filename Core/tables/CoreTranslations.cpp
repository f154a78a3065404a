// The Core's translation table: day and month names, conversion messages and the date settings
// that SetLanguage installs.
#include <Core/lang/Lang.h>
#include <Core/lang/Translate.h>

#include <atomic>

namespace Qel {

namespace {

constexpr int T(const char (&s)[5])
{
	return LNG_(s[0], s[1], s[2], s[3]) | (255 << 20);
}

constexpr int KEY = 1;

const TranslationRecord sCoreTable[] = {
	{ KEY, "Network drive" },
	{ T("CSCZ"), "Síťový disk" },
	{ T("DEDE"), "Netzlaufwerk" },
	{ T("FRFR"), "Lecteur réseau" },
	{ T("ESES"), "Unidad de red" },
	{ T("ITIT"), "Unità di rete" },
	{ KEY, "Empty drive" },
	{ T("CSCZ"), "Prázdná jednotka" },
	{ T("DEDE"), "Leeres Laufwerk" },
	{ T("FRFR"), "Lecteur vide" },
	{ T("ESES"), "Unidad vacía" },
	{ T("ITIT"), "Unità vuota" },
	{ KEY, "Aborted by user." },
	{ T("CSCZ"), "Přerušeno uživatelem." },
	{ T("DEDE"), "Vom Benutzer abgebrochen." },
	{ T("FRFR"), "Interrompu par l'utilisateur." },
	{ T("ESES"), "Cancelado por el usuario." },
	{ T("ITIT"), "Interrotto dall'utente." },

	{ KEY, "date\vSunday" },
	{ T("CSCZ"), "neděle" }, { T("DEDE"), "Sonntag" }, { T("FRFR"), "dimanche" },
	{ T("ESES"), "domingo" }, { T("ITIT"), "domenica" },
	{ KEY, "date\vMonday" },
	{ T("CSCZ"), "pondělí" }, { T("DEDE"), "Montag" }, { T("FRFR"), "lundi" },
	{ T("ESES"), "lunes" }, { T("ITIT"), "lunedì" },
	{ KEY, "date\vTuesday" },
	{ T("CSCZ"), "úterý" }, { T("DEDE"), "Dienstag" }, { T("FRFR"), "mardi" },
	{ T("ESES"), "martes" }, { T("ITIT"), "martedì" },
	{ KEY, "date\vWednesday" },
	{ T("CSCZ"), "středa" }, { T("DEDE"), "Mittwoch" }, { T("FRFR"), "mercredi" },
	{ T("ESES"), "miércoles" }, { T("ITIT"), "mercoledì" },
	{ KEY, "date\vThursday" },
	{ T("CSCZ"), "čtvrtek" }, { T("DEDE"), "Donnerstag" }, { T("FRFR"), "jeudi" },
	{ T("ESES"), "jueves" }, { T("ITIT"), "giovedì" },
	{ KEY, "date\vFriday" },
	{ T("CSCZ"), "pátek" }, { T("DEDE"), "Freitag" }, { T("FRFR"), "vendredi" },
	{ T("ESES"), "viernes" }, { T("ITIT"), "venerdì" },
	{ KEY, "date\vSaturday" },
	{ T("CSCZ"), "sobota" }, { T("DEDE"), "Samstag" }, { T("FRFR"), "samedi" },
	{ T("ESES"), "sábado" }, { T("ITIT"), "sabato" },

	{ KEY, "date\vSu" }, { T("CSCZ"), "ne" }, { T("DEDE"), "So" }, { T("FRFR"), "di" },
	{ KEY, "date\vMo" }, { T("CSCZ"), "po" }, { T("DEDE"), "Mo" }, { T("FRFR"), "lu" },
	{ KEY, "date\vTu" }, { T("CSCZ"), "út" }, { T("DEDE"), "Di" }, { T("FRFR"), "ma" },
	{ KEY, "date\vWe" }, { T("CSCZ"), "st" }, { T("DEDE"), "Mi" }, { T("FRFR"), "me" },
	{ KEY, "date\vTh" }, { T("CSCZ"), "čt" }, { T("DEDE"), "Do" }, { T("FRFR"), "je" },
	{ KEY, "date\vFr" }, { T("CSCZ"), "pá" }, { T("DEDE"), "Fr" }, { T("FRFR"), "ve" },
	{ KEY, "date\vSa" }, { T("CSCZ"), "so" }, { T("DEDE"), "Sa" }, { T("FRFR"), "sa" },

	{ KEY, "date\vJanuary" },
	{ T("CSCZ"), "leden" }, { T("DEDE"), "Januar" }, { T("FRFR"), "janvier" },
	{ T("ESES"), "enero" }, { T("ITIT"), "gennaio" },
	{ KEY, "date\vFebruary" },
	{ T("CSCZ"), "únor" }, { T("DEDE"), "Februar" }, { T("FRFR"), "février" },
	{ T("ESES"), "febrero" }, { T("ITIT"), "febbraio" },
	{ KEY, "date\vMarch" },
	{ T("CSCZ"), "březen" }, { T("DEDE"), "März" }, { T("FRFR"), "mars" },
	{ T("ESES"), "marzo" }, { T("ITIT"), "marzo" },
	{ KEY, "date\vApril" },
	{ T("CSCZ"), "duben" }, { T("DEDE"), "April" }, { T("FRFR"), "avril" },
	{ T("ESES"), "abril" }, { T("ITIT"), "aprile" },
	{ KEY, "date\vMay" },
	{ T("CSCZ"), "květen" }, { T("DEDE"), "Mai" }, { T("FRFR"), "mai" },
	{ T("ESES"), "mayo" }, { T("ITIT"), "maggio" },
	{ KEY, "date\vJune" },
	{ T("CSCZ"), "červen" }, { T("DEDE"), "Juni" }, { T("FRFR"), "juin" },
	{ T("ESES"), "junio" }, { T("ITIT"), "giugno" },
	{ KEY, "date\vJuly" },
	{ T("CSCZ"), "červenec" }, { T("DEDE"), "Juli" }, { T("FRFR"), "juillet" },
	{ T("ESES"), "julio" }, { T("ITIT"), "luglio" },
	{ KEY, "date\vAugust" },
	{ T("CSCZ"), "srpen" }, { T("DEDE"), "August" }, { T("FRFR"), "août" },
	{ T("ESES"), "agosto" }, { T("ITIT"), "agosto" },
	{ KEY, "date\vSeptember" },
	{ T("CSCZ"), "září" }, { T("DEDE"), "September" }, { T("FRFR"), "septembre" },
	{ T("ESES"), "septiembre" }, { T("ITIT"), "settembre" },
	{ KEY, "date\vOctober" },
	{ T("CSCZ"), "říjen" }, { T("DEDE"), "Oktober" }, { T("FRFR"), "octobre" },
	{ T("ESES"), "octubre" }, { T("ITIT"), "ottobre" },
	{ KEY, "date\vNovember" },
	{ T("CSCZ"), "listopad" }, { T("DEDE"), "November" }, { T("FRFR"), "novembre" },
	{ T("ESES"), "noviembre" }, { T("ITIT"), "novembre" },
	{ KEY, "date\vDecember" },
	{ T("CSCZ"), "prosinec" }, { T("DEDE"), "Dezember" }, { T("FRFR"), "décembre" },
	{ T("ESES"), "diciembre" }, { T("ITIT"), "dicembre" },

	{ KEY, "sdate\vJan" }, { T("CSCZ"), "led" }, { T("DEDE"), "Jan" }, { T("FRFR"), "janv" },
	{ KEY, "sdate\vFeb" }, { T("CSCZ"), "úno" }, { T("DEDE"), "Feb" }, { T("FRFR"), "févr" },
	{ KEY, "sdate\vMar" }, { T("CSCZ"), "bře" }, { T("DEDE"), "Mär" }, { T("FRFR"), "mars" },
	{ KEY, "sdate\vApr" }, { T("CSCZ"), "dub" }, { T("DEDE"), "Apr" }, { T("FRFR"), "avr" },
	{ KEY, "sdate\vMay" }, { T("CSCZ"), "kvě" }, { T("DEDE"), "Mai" }, { T("FRFR"), "mai" },
	{ KEY, "sdate\vJun" }, { T("CSCZ"), "čvn" }, { T("DEDE"), "Jun" }, { T("FRFR"), "juin" },
	{ KEY, "sdate\vJul" }, { T("CSCZ"), "čvc" }, { T("DEDE"), "Jul" }, { T("FRFR"), "juil" },
	{ KEY, "sdate\vAug" }, { T("CSCZ"), "srp" }, { T("DEDE"), "Aug" }, { T("FRFR"), "août" },
	{ KEY, "sdate\vSep" }, { T("CSCZ"), "zář" }, { T("DEDE"), "Sep" }, { T("FRFR"), "sept" },
	{ KEY, "sdate\vOct" }, { T("CSCZ"), "říj" }, { T("DEDE"), "Okt" }, { T("FRFR"), "oct" },
	{ KEY, "sdate\vNov" }, { T("CSCZ"), "lis" }, { T("DEDE"), "Nov" }, { T("FRFR"), "nov" },
	{ KEY, "sdate\vDec" }, { T("CSCZ"), "pro" }, { T("DEDE"), "Dez" }, { T("FRFR"), "déc" },

	{ KEY, "Invalid number !" },
	{ T("CSCZ"), "Neplatné číslo !" },
	{ T("DEDE"), "Ungültige Zahl !" },
	{ KEY, "Null value not allowed." },
	{ T("CSCZ"), "Prázdná hodnota není povolena." },
	{ T("DEDE"), "Leerer Wert ist nicht erlaubt." },
	{ KEY, "Number must be between %g and %g." },
	{ T("CSCZ"), "Číslo musí být mezi %g a %g." },
	{ T("DEDE"), "Die Zahl muss zwischen %g und %g liegen." },
	{ KEY, "Please enter no more than %d characters." },
	{ T("CSCZ"), "Zadejte nejvýše %d znaků." },
	{ T("DEDE"), "Bitte geben Sie höchstens %d Zeichen ein." },

	{ KEY, "date-format\a%2:02d/%3:02d/%1:4d" },
	{ T("CSCZ"), "%3:02d.%2:02d.%1:04d" },
	{ T("DEDE"), "%3:02d.%2:02d.%1:4d" },
	{ T("FRFR"), "%3:02d/%2:02d/%1:4d" },
	{ T("ESES"), "%3:02d/%2:02d/%1:4d" },
	{ T("ITIT"), "%3:02d/%2:02d/%1:4d" },
	{ T("HUHU"), "%1:04d.%2:02d.%3:02d." },
	{ T("ZHCN"), "%1:04d/%2:02d/%3:02d" },
	{ KEY, "date-scan\amdy" },
	{ T("CSCZ"), "dmy" },
	{ T("DEDE"), "dmy" },
	{ T("FRFR"), "dmy" },
	{ T("ESES"), "dmy" },
	{ T("ITIT"), "dmy" },
	{ T("HUHU"), "ymd" },
	{ T("ZHCN"), "ymd" },
	{ KEY, "date-filter\aA/\a .-" },
	{ T("DEDE"), "A/\r .-" },

	{ KEY, "Invalid language specification." },
	{ T("CSCZ"), "Neplatné určení jazyka." },
	{ T("DEDE"), "Ungültige Sprachangabe." },
	{ KEY, "%s:%d: " },
	{ 0, nullptr }
};

} // namespace

void detail::RegisterCoreTranslations()
{
	static std::atomic<bool> done;
	if(!done.exchange(true))
		RegisterTranslationModule(sCoreTable);
}

} // namespace Qel
