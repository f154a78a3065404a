// The Core's translation table: day and month names, conversion messages and the date settings
// that SetLanguage installs.
#include <Core/lang/Lang.h>
#include <Core/lang/Translate.h>

#include <atomic>

namespace Qel {

namespace {

constexpr int Lng(const char (&s)[5])
{
	return LNG_(s[0], s[1], s[2], s[3]) | (255 << 20);
}

constexpr int KEY = 1;

const TranslationRecord sCoreTable[] = {
	{ KEY, "Network drive" },
	{ Lng("CSCZ"), "Síťový disk" },
	{ Lng("DEDE"), "Netzlaufwerk" },
	{ Lng("FRFR"), "Lecteur réseau" },
	{ Lng("ESES"), "Unidad de red" },
	{ Lng("ITIT"), "Unità di rete" },
	{ KEY, "Empty drive" },
	{ Lng("CSCZ"), "Prázdná jednotka" },
	{ Lng("DEDE"), "Leeres Laufwerk" },
	{ Lng("FRFR"), "Lecteur vide" },
	{ Lng("ESES"), "Unidad vacía" },
	{ Lng("ITIT"), "Unità vuota" },
	{ KEY, "Aborted by user." },
	{ Lng("CSCZ"), "Přerušeno uživatelem." },
	{ Lng("DEDE"), "Vom Benutzer abgebrochen." },
	{ Lng("FRFR"), "Interrompu par l'utilisateur." },
	{ Lng("ESES"), "Cancelado por el usuario." },
	{ Lng("ITIT"), "Interrotto dall'utente." },

	{ KEY, "date\vSunday" },
	{ Lng("CSCZ"), "neděle" }, { Lng("DEDE"), "Sonntag" }, { Lng("FRFR"), "dimanche" },
	{ Lng("ESES"), "domingo" }, { Lng("ITIT"), "domenica" },
	{ KEY, "date\vMonday" },
	{ Lng("CSCZ"), "pondělí" }, { Lng("DEDE"), "Montag" }, { Lng("FRFR"), "lundi" },
	{ Lng("ESES"), "lunes" }, { Lng("ITIT"), "lunedì" },
	{ KEY, "date\vTuesday" },
	{ Lng("CSCZ"), "úterý" }, { Lng("DEDE"), "Dienstag" }, { Lng("FRFR"), "mardi" },
	{ Lng("ESES"), "martes" }, { Lng("ITIT"), "martedì" },
	{ KEY, "date\vWednesday" },
	{ Lng("CSCZ"), "středa" }, { Lng("DEDE"), "Mittwoch" }, { Lng("FRFR"), "mercredi" },
	{ Lng("ESES"), "miércoles" }, { Lng("ITIT"), "mercoledì" },
	{ KEY, "date\vThursday" },
	{ Lng("CSCZ"), "čtvrtek" }, { Lng("DEDE"), "Donnerstag" }, { Lng("FRFR"), "jeudi" },
	{ Lng("ESES"), "jueves" }, { Lng("ITIT"), "giovedì" },
	{ KEY, "date\vFriday" },
	{ Lng("CSCZ"), "pátek" }, { Lng("DEDE"), "Freitag" }, { Lng("FRFR"), "vendredi" },
	{ Lng("ESES"), "viernes" }, { Lng("ITIT"), "venerdì" },
	{ KEY, "date\vSaturday" },
	{ Lng("CSCZ"), "sobota" }, { Lng("DEDE"), "Samstag" }, { Lng("FRFR"), "samedi" },
	{ Lng("ESES"), "sábado" }, { Lng("ITIT"), "sabato" },

	{ KEY, "date\vSu" }, { Lng("CSCZ"), "ne" }, { Lng("DEDE"), "So" }, { Lng("FRFR"), "di" },
	{ KEY, "date\vMo" }, { Lng("CSCZ"), "po" }, { Lng("DEDE"), "Mo" }, { Lng("FRFR"), "lu" },
	{ KEY, "date\vTu" }, { Lng("CSCZ"), "út" }, { Lng("DEDE"), "Di" }, { Lng("FRFR"), "ma" },
	{ KEY, "date\vWe" }, { Lng("CSCZ"), "st" }, { Lng("DEDE"), "Mi" }, { Lng("FRFR"), "me" },
	{ KEY, "date\vTh" }, { Lng("CSCZ"), "čt" }, { Lng("DEDE"), "Do" }, { Lng("FRFR"), "je" },
	{ KEY, "date\vFr" }, { Lng("CSCZ"), "pá" }, { Lng("DEDE"), "Fr" }, { Lng("FRFR"), "ve" },
	{ KEY, "date\vSa" }, { Lng("CSCZ"), "so" }, { Lng("DEDE"), "Sa" }, { Lng("FRFR"), "sa" },

	{ KEY, "date\vJanuary" },
	{ Lng("CSCZ"), "leden" }, { Lng("DEDE"), "Januar" }, { Lng("FRFR"), "janvier" },
	{ Lng("ESES"), "enero" }, { Lng("ITIT"), "gennaio" },
	{ KEY, "date\vFebruary" },
	{ Lng("CSCZ"), "únor" }, { Lng("DEDE"), "Februar" }, { Lng("FRFR"), "février" },
	{ Lng("ESES"), "febrero" }, { Lng("ITIT"), "febbraio" },
	{ KEY, "date\vMarch" },
	{ Lng("CSCZ"), "březen" }, { Lng("DEDE"), "März" }, { Lng("FRFR"), "mars" },
	{ Lng("ESES"), "marzo" }, { Lng("ITIT"), "marzo" },
	{ KEY, "date\vApril" },
	{ Lng("CSCZ"), "duben" }, { Lng("DEDE"), "April" }, { Lng("FRFR"), "avril" },
	{ Lng("ESES"), "abril" }, { Lng("ITIT"), "aprile" },
	{ KEY, "date\vMay" },
	{ Lng("CSCZ"), "květen" }, { Lng("DEDE"), "Mai" }, { Lng("FRFR"), "mai" },
	{ Lng("ESES"), "mayo" }, { Lng("ITIT"), "maggio" },
	{ KEY, "date\vJune" },
	{ Lng("CSCZ"), "červen" }, { Lng("DEDE"), "Juni" }, { Lng("FRFR"), "juin" },
	{ Lng("ESES"), "junio" }, { Lng("ITIT"), "giugno" },
	{ KEY, "date\vJuly" },
	{ Lng("CSCZ"), "červenec" }, { Lng("DEDE"), "Juli" }, { Lng("FRFR"), "juillet" },
	{ Lng("ESES"), "julio" }, { Lng("ITIT"), "luglio" },
	{ KEY, "date\vAugust" },
	{ Lng("CSCZ"), "srpen" }, { Lng("DEDE"), "August" }, { Lng("FRFR"), "août" },
	{ Lng("ESES"), "agosto" }, { Lng("ITIT"), "agosto" },
	{ KEY, "date\vSeptember" },
	{ Lng("CSCZ"), "září" }, { Lng("DEDE"), "September" }, { Lng("FRFR"), "septembre" },
	{ Lng("ESES"), "septiembre" }, { Lng("ITIT"), "settembre" },
	{ KEY, "date\vOctober" },
	{ Lng("CSCZ"), "říjen" }, { Lng("DEDE"), "Oktober" }, { Lng("FRFR"), "octobre" },
	{ Lng("ESES"), "octubre" }, { Lng("ITIT"), "ottobre" },
	{ KEY, "date\vNovember" },
	{ Lng("CSCZ"), "listopad" }, { Lng("DEDE"), "November" }, { Lng("FRFR"), "novembre" },
	{ Lng("ESES"), "noviembre" }, { Lng("ITIT"), "novembre" },
	{ KEY, "date\vDecember" },
	{ Lng("CSCZ"), "prosinec" }, { Lng("DEDE"), "Dezember" }, { Lng("FRFR"), "décembre" },
	{ Lng("ESES"), "diciembre" }, { Lng("ITIT"), "dicembre" },

	{ KEY, "sdate\vJan" }, { Lng("CSCZ"), "led" }, { Lng("DEDE"), "Jan" }, { Lng("FRFR"), "janv" },
	{ KEY, "sdate\vFeb" }, { Lng("CSCZ"), "úno" }, { Lng("DEDE"), "Feb" }, { Lng("FRFR"), "févr" },
	{ KEY, "sdate\vMar" }, { Lng("CSCZ"), "bře" }, { Lng("DEDE"), "Mär" }, { Lng("FRFR"), "mars" },
	{ KEY, "sdate\vApr" }, { Lng("CSCZ"), "dub" }, { Lng("DEDE"), "Apr" }, { Lng("FRFR"), "avr" },
	{ KEY, "sdate\vMay" }, { Lng("CSCZ"), "kvě" }, { Lng("DEDE"), "Mai" }, { Lng("FRFR"), "mai" },
	{ KEY, "sdate\vJun" }, { Lng("CSCZ"), "čvn" }, { Lng("DEDE"), "Jun" }, { Lng("FRFR"), "juin" },
	{ KEY, "sdate\vJul" }, { Lng("CSCZ"), "čvc" }, { Lng("DEDE"), "Jul" }, { Lng("FRFR"), "juil" },
	{ KEY, "sdate\vAug" }, { Lng("CSCZ"), "srp" }, { Lng("DEDE"), "Aug" }, { Lng("FRFR"), "août" },
	{ KEY, "sdate\vSep" }, { Lng("CSCZ"), "zář" }, { Lng("DEDE"), "Sep" }, { Lng("FRFR"), "sept" },
	{ KEY, "sdate\vOct" }, { Lng("CSCZ"), "říj" }, { Lng("DEDE"), "Okt" }, { Lng("FRFR"), "oct" },
	{ KEY, "sdate\vNov" }, { Lng("CSCZ"), "lis" }, { Lng("DEDE"), "Nov" }, { Lng("FRFR"), "nov" },
	{ KEY, "sdate\vDec" }, { Lng("CSCZ"), "pro" }, { Lng("DEDE"), "Dez" }, { Lng("FRFR"), "déc" },

	{ KEY, "Invalid number !" },
	{ Lng("CSCZ"), "Neplatné číslo !" },
	{ Lng("DEDE"), "Ungültige Zahl !" },
	{ KEY, "Null value not allowed." },
	{ Lng("CSCZ"), "Prázdná hodnota není povolena." },
	{ Lng("DEDE"), "Leerer Wert ist nicht erlaubt." },
	{ KEY, "Number must be between %g and %g." },
	{ Lng("CSCZ"), "Číslo musí být mezi %g a %g." },
	{ Lng("DEDE"), "Die Zahl muss zwischen %g und %g liegen." },
	{ KEY, "Please enter no more than %d characters." },
	{ Lng("CSCZ"), "Zadejte nejvýše %d znaků." },
	{ Lng("DEDE"), "Bitte geben Sie höchstens %d Zeichen ein." },

	{ KEY, "date-format\a%2:02d/%3:02d/%1:4d" },
	{ Lng("CSCZ"), "%3:02d.%2:02d.%1:04d" },
	{ Lng("DEDE"), "%3:02d.%2:02d.%1:4d" },
	{ Lng("FRFR"), "%3:02d/%2:02d/%1:4d" },
	{ Lng("ESES"), "%3:02d/%2:02d/%1:4d" },
	{ Lng("ITIT"), "%3:02d/%2:02d/%1:4d" },
	{ Lng("HUHU"), "%1:04d.%2:02d.%3:02d." },
	{ Lng("ZHCN"), "%1:04d/%2:02d/%3:02d" },
	{ KEY, "date-scan\amdy" },
	{ Lng("CSCZ"), "dmy" },
	{ Lng("DEDE"), "dmy" },
	{ Lng("FRFR"), "dmy" },
	{ Lng("ESES"), "dmy" },
	{ Lng("ITIT"), "dmy" },
	{ Lng("HUHU"), "ymd" },
	{ Lng("ZHCN"), "ymd" },
	{ KEY, "date-filter\aA/\a .-" },
	{ Lng("DEDE"), "A/\r .-" },

	{ KEY, "Invalid language specification." },
	{ Lng("CSCZ"), "Neplatné určení jazyka." },
	{ Lng("DEDE"), "Ungültige Sprachangabe." },
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
