#pragma once

#include <string>

// An extract that tries every corner the index must get right: services placed anywhere and
// nested, ids that are prefixes of one another, several or missing date and code children (far more
// combinations of them than a real service holds, too), namespaces, nested, split and CDATA text,
// layout white space inside values, apostrophes and both quotes, blank-padded values, a character
// beyond Windows-1252.
inline const std::string kEstrattoDifficile = R"(<?xml version="1.0" encoding="UTF-8"?>
<ESTRAZIONE xmlns:o="urn:altro">
<Elenco_prestazioni_incentivanti>
  <P io_id_paziente="1"/><P io_id_paziente="11"/><P io_id_paziente="12"/><P io_id_paziente="123"/>
</Elenco_prestazioni_incentivanti>
<PAZIENTE io_id_paziente="1"><PERSONA><codice_fiscale>CF1-PRIMO</codice_fiscale></PERSONA></PAZIENTE>
<PAZIENTE io_id_paziente="1"><PERSONA><codice_fiscale>CF1-SECONDO</codice_fiscale></PERSONA></PAZIENTE>
<PAZIENTE io_id_paziente="11"><PERSONA/></PAZIENTE>
<PAZIENTE o:io_id_paziente="12"><PERSONA><codice_fiscale>CF12-NS</codice_fiscale></PERSONA></PAZIENTE>
<o:PAZIENTE io_id_paziente="123"><PERSONA><codice_fiscale>CF123-NS</codice_fiscale></PERSONA></o:PAZIENTE>
<PAZIENTE altro="x" io_id_paziente="O'Brien"><PERSONA><codice_fiscale>CF-APO</codice_fiscale></PERSONA></PAZIENTE>
<GRUPPO>
  <PRESTAZIONE_INCENTIVANTE io_id_paziente="1"><codice_ov_pip>0000001</codice_ov_pip><data_esecuzione>2024-01-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
  <PRESTAZIONE_INCENTIVANTE io_id_paziente="1"><data_esecuzione>2024-01-31</data_esecuzione><codice_ov_pip>0000001</codice_ov_pip></PRESTAZIONE_INCENTIVANTE>
  <PRESTAZIONE_INCENTIVANTE io_id_paziente="11"><codice_ov_pip>0000001</codice_ov_pip><data_esecuzione>2024-01-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
  <DENTRO><PRESTAZIONE_INCENTIVANTE io_id_paziente="11"><codice_ov_pip>0000001</codice_ov_pip><data_esecuzione>2024-01-31</data_esecuzione>
    <PRESTAZIONE_INCENTIVANTE io_id_paziente="1"><codice_ov_pip>0000001</codice_ov_pip><data_esecuzione>2024-01-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
  </PRESTAZIONE_INCENTIVANTE></DENTRO>
</GRUPPO>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="1"><codice_ov_pip>0000001</codice_ov_pip><codice_ov_pip>0000023</codice_ov_pip><data_esecuzione>2024-01-31</data_esecuzione><data_esecuzione>2024-02-01</data_esecuzione><data_esecuzione>2024-01-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="1"><codice_ov_pip>0000001</codice_ov_pip></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="1"><data_esecuzione>2024-01-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="1"><codice_ov_pip/><data_esecuzione></data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="1"><codice_ov_pip>00000<x>01</x></codice_ov_pip><data_esecuzione>2024-01-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="1"><o:codice_ov_pip>0000001</o:codice_ov_pip><data_esecuzione>2024-01-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="1"><codice_ov_pip> 0000001</codice_ov_pip><data_esecuzione>2024-01-31 </data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="1" xmlns="urn:predefinito"><codice_ov_pip>0000001</codice_ov_pip><data_esecuzione>2024-01-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE o:io_id_paziente="12"><codice_ov_pip>0000001</codice_ov_pip><data_esecuzione>2024-01-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="12"><codice_ov_pip>0000001</codice_ov_pip><data_esecuzione>2024-01-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="123"><codice_ov_pip>0000001</codice_ov_pip><data_esecuzione>2024-01-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="123"><codice_ov_pip>0000001</codice_ov_pip><data_esecuzione>2024-01-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="O'Brien"><codice_ov_pip>00'01</codice_ov_pip><data_esecuzione>2024-01-3'</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="O'Brien"><codice_ov_pip>00'01</codice_ov_pip><data_esecuzione>2024-01-3'</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="d'a&quot;b"><codice_ov_pip>c"'"d</codice_ov_pip><data_esecuzione>2024-01-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="molti"><codice_ov_pip>A</codice_ov_pip><codice_ov_pip>B</codice_ov_pip><codice_ov_pip>C</codice_ov_pip><codice_ov_pip>E</codice_ov_pip><data_esecuzione>1</data_esecuzione><data_esecuzione>2</data_esecuzione><data_esecuzione>4</data_esecuzione><data_esecuzione>5</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="molti"><codice_ov_pip>C</codice_ov_pip><data_esecuzione>4</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="molti"><codice_ov_pip>A</codice_ov_pip><codice_ov_pip>A</codice_ov_pip><codice_ov_pip>B</codice_ov_pip><codice_ov_pip>C</codice_ov_pip><codice_ov_pip>D</codice_ov_pip><data_esecuzione>4</data_esecuzione><data_esecuzione>5</data_esecuzione><data_esecuzione>6</data_esecuzione><data_esecuzione>7</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="ampio"><codice_ov_pip>A</codice_ov_pip><codice_ov_pip>B</codice_ov_pip><codice_ov_pip>C</codice_ov_pip><codice_ov_pip>D</codice_ov_pip><codice_ov_pip>E</codice_ov_pip><data_esecuzione>1</data_esecuzione><data_esecuzione>2</data_esecuzione><data_esecuzione>3</data_esecuzione><data_esecuzione>4</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="ampio"><codice_ov_pip>B</codice_ov_pip><data_esecuzione>2</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="ampio"><codice_ov_pip>E</codice_ov_pip><codice_ov_pip>F</codice_ov_pip><data_esecuzione>4</data_esecuzione><data_esecuzione>5</data_esecuzione><data_esecuzione>6</data_esecuzione><data_esecuzione>7</data_esecuzione><data_esecuzione>8</data_esecuzione><data_esecuzione>9</data_esecuzione><data_esecuzione>10</data_esecuzione><data_esecuzione>11</data_esecuzione><data_esecuzione>12</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="1"><codice_ov_pip><![CDATA[0000001]]></codice_ov_pip><data_esecuzione>2024-01-3<!-- c -->1</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="2"><codice_ov_pip>
    <x>0000003</x>
  </codice_ov_pip><data_esecuzione>2024-03-01</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente=" 1"><codice_ov_pip>0000001</codice_ov_pip><data_esecuzione>2024-01-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE io_id_paziente="&#xE8;"><codice_ov_pip>&#x20AC;</codice_ov_pip><data_esecuzione>2024-01-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
<PRESTAZIONE_INCENTIVANTE><codice_ov_pip>0000001</codice_ov_pip><data_esecuzione>2024-01-31</data_esecuzione></PRESTAZIONE_INCENTIVANTE>
</ESTRAZIONE>
)";
