#pragma once

#include <string>

// The link's user-visible texts, shown by the front ends when no parallel port could be used.
namespace tavrix::texts {

inline constexpr const char* kNoParallelPortUtf8 = "Imposible comunicar con el puerto paralelo.";

// Why a node is not used as the port: shown after the node's path and ": ".
inline constexpr const char* kNodeMissing = "no existe";
inline constexpr const char* kNodeIsRegularFile = "es un fichero normal, no un puerto paralelo";
inline constexpr const char* kNodeIsFolder = "es una carpeta, no un puerto paralelo";
inline constexpr const char* kNodeIsFifo =
    "es una tubería con nombre (FIFO), no un puerto paralelo";
inline constexpr const char* kNodeIsBlockDevice =
    "es un dispositivo de bloques (un disco), no un puerto paralelo";
inline constexpr const char* kNodeIsSocket = "es un socket, no un puerto paralelo";
inline constexpr const char* kNodeDoesNotAnswer =
    "es un dispositivo de caracteres que no responde como puerto paralelo (ni al controlador de "
    "impresora lp ni al de puerto paralelo ppdev)";
inline constexpr const char* kNodeLocked =
    "lo está usando otro programa (quizá otro Tavrix), que lo tiene bloqueado";
inline constexpr const char* kNodeBusy = "lo está usando otro programa";
// The node's driver has no port behind it: `port` is the kernel's name it would have.
inline std::string nodeNoPortBehind(const std::string& port) {
  return "no hay ningún puerto paralelo detrás de este nodo (el núcleo no tiene " + port + ")";
}
// A port another program holds: its driver would wait for it to be let go (or waited until
// the bound).
inline std::string heldByOtherProgram(const std::string& holder) {
  return "lo tiene otro programa (a través de «" + holder +
         "») y el controlador esperaría a que lo suelte; cierre ese programa";
}
inline std::string heldByPrinterDriver(const std::string& holder) {
  return "lo tiene el controlador de impresora («" + holder +
         "») para otro programa y el controlador espera a que lo suelte; termine ese programa o "
         "descargue el controlador con «sudo rmmod lp»";
}
// A program has the printer driver's node of the same port open.
inline std::string portUsedThroughPrinterNode(const std::string& printerNode) {
  return "otro programa usa este puerto a través del controlador de impresora (" + printerNode +
         "), que esperaría a que se suelte; cierre ese programa";
}
inline constexpr const char* kNodeHeldUnknown =
    "el controlador no lo soltó en 1 s: lo tiene otro programa";
// The parallel-port driver's claim refused for good, exclusive or not.
inline constexpr const char* kPortTakenExclusively =
    "otro programa o controlador lo tiene para su uso exclusivo";
// The printer driver's status shows BUSY at opening: it would wait for ever on every byte.
inline std::string nodeBusyPin(const std::string& ppdevNode) {
  return "el controlador de impresora lo ve ocupado: la placa no mantiene BUSY (patilla 11) a "
         "nivel bajo, y ese controlador esperaría para siempre a cada byte; use el nodo del "
         "controlador de puerto paralelo, " +
         ppdevNode;
}
// A byte the printer driver did not take within the bound, during a run.
inline std::string byteNotTaken(const std::string& ppdevNode) {
  return "el puerto no tomó un byte en 1 s: la placa no mantiene BUSY (patilla 11) a nivel bajo "
         "y el controlador de impresora (lp) esperaría para siempre; use el nodo del controlador "
         "de puerto paralelo, " +
         ppdevNode + " (portdevice=" + ppdevNode +
         " en la sección [Config] del fichero de configuración)";
}
inline constexpr const char* kNodeSwapped =
    "el nodo cambió entre la comprobación y la apertura (lo sustituyó otro programa); no se usa";
inline constexpr const char* kNodeDeniedToOthers =
    "permiso denegado: solo su dueño puede usarlo; pida al administrador acceso a este nodo";

// Permission denied on a node that the members of `group` may use.
inline std::string nodeDeniedOutsideGroup(const std::string& group) {
  return "permiso denegado: solo pueden usarlo los usuarios del grupo «" + group +
         "»; añádase a él con «sudo adduser $USER " + group +
         "» y vuelva a iniciar la sesión para que cuente";
}
inline std::string nodeSystemError(const std::string& what) {
  return "error del sistema: " + what;
}
// A character device of another driver, refused without being opened (opening it could start
// something: a watchdog, a tape's rewind).
inline std::string nodeOfOtherDriver(const std::string& driver) {
  return "es un dispositivo de caracteres del controlador «" + driver +
         "», no un puerto paralelo; solo se abren los nodos de lp y de ppdev";
}
inline constexpr const char* kNodeOfNoDriver =
    "es un dispositivo de caracteres de ningún controlador del núcleo, no un puerto paralelo";
// None of the nodes of the search exists.
inline std::string noNodeExists(const std::string& nodes) {
  return "no existe ninguno de los nodos " + nodes;
}

// Said after the reasons when no node could be used.
inline std::string usbAdapterAdvice(const std::string& nodes) {
  return "hay un adaptador USB a paralelo (" + nodes +
         "): solo sirve para imprimir y no puede mover esta placa, que necesita un puerto "
         "paralelo de verdad (en la placa base o en una tarjeta PCI o PCIe).";
}
inline std::string modprobeAdvice(const std::string& nodes) {
  return "no hay ningún nodo " + nodes +
         ": cargue los controladores del puerto paralelo con «sudo modprobe parport_pc ppdev».";
}

// The two kinds of port, as the user is told which one is in use.
inline constexpr const char* kPrinterDriver = "controlador de impresora (lp)";
inline constexpr const char* kParallelPortDriver = "controlador de puerto paralelo (ppdev)";

}  // namespace tavrix::texts
