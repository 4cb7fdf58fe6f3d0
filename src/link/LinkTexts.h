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
inline constexpr const char* kNodeNoHardware =
    "el controlador no tiene ningún dispositivo en este nodo";
inline constexpr const char* kPpdevHeldByOtherDriver =
    "otro controlador del núcleo tiene el puerto (normalmente lp, el de impresora): descárguelo "
    "con «sudo rmmod lp» o use el nodo /dev/lp del mismo puerto";
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

// The two kinds of port, as the user is told which one is in use.
inline constexpr const char* kPrinterDriver = "controlador de impresora (lp)";
inline constexpr const char* kParallelPortDriver = "controlador de puerto paralelo (ppdev)";

}  // namespace tavrix::texts
