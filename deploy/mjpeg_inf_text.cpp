#include "deploy/codec_deployment.h"

#include <array>

namespace bv {

const std::string& MjpegInfText() {
  static const std::string text = [] {
    static const std::array<const char*, 53> lines = {
        "[Version]",
        "Signature = \"$CHICAGO$\"",
        "Class     = MEDIA",
        "[Manufacturer]",
        "%mfgname%=generic",
        "[generic]",
        "%*M3JPEG.DeviceDesc%=M3JPEG",
        "[M3JPEG]",
        "Updateinis = M3JPEG.Updateini",
        "addreg     = M3JPEG.addreg",
        "MediaType  = SOFTWARE",
        "[DefaultInstall]",
        "Updateinis = M3JPEG.Updateini",
        "addreg     = M3JPEG.addreg",
        "MediaType  = SOFTWARE",
        "[M3JPEG.UpdateIni]",
        "system.ini, drivers32,,\"vidc.MJPG=mjpg32_G.dll\",0",
        "m3jpeg.ini, Decompress,,\"Mode=1\"",
        "m3jpeg.ini, Decompress,,\"FancyUpsampling=0\"",
        "m3jpeg.ini, Decompress,,\"MMXAllowed=1\"",
        "m3jpeg.ini, Decompress,,\"SupportInterleave=1\"",
        "m3jpeg.ini, Decompress,,\"InvertFieldOrder=0\"",
        "m3jpeg.ini, Decompress,,\"Enabled=1\"",
        "m3jpeg.ini, Decompress,,\"FixSOF0=1\"",
        "m3jpeg.ini, Decompress,,\"FixSOS=1\"",
        "m3jpeg.ini, Decompress,,\"FixDQT=1\"",
        "m3jpeg.ini, Decompress,,\"IF09=0\"",
        "m3jpeg.ini, Decompress,,\"DoubleWidthIf43=0\"",
        "m3jpeg.ini, Decompress,,\"FixMarkerLen=0\"",
        "m3jpeg.ini, Decompress,,\"FixDRI=0\"",
        "m3jpeg.ini, Decompress,,\"SMPAllowed=1\"",
        "m3jpeg.ini, Decompress,,\"SSEAllowed=1\"",
        "m3jpeg.ini, Decompress,,\"SSE2Allowed=1\"",
        "m3jpeg.ini, Codec,,\"Enabled=1\"",
        "m3jpeg.ini, Codec,,\"SysFourCC=mjpg\"",
        "[M3JPEG.AddReg]",
        "HKLM,SYSTEM\\CurrentControlSet\\Control\\MediaResources\\icm\\vidc.MJPG,Description,,%*MJPG.DD%",
        "HKLM,SYSTEM\\CurrentControlSet\\Control\\MediaResources\\icm\\vidc.MJPG,Driver,,mjpg32_G.dll",
        "HKLM,SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\drivers.desc,mjpg32_G.dll,,%*MJPG.DD%",
        "HKLM,SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\related.desc,vidc.MJPG,,%*MJPG.DD%",
        "HKLM,SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32,vidc.MJPG,,mjpg32_G.dll",
        "HKLM,SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Userinstallable.drivers,vidc.MJPG,,mjpg32_G.dll",
        "[M3JPEG.DelIni]",
        "system.ini, drivers32,,\"vidc.MJPG=mjpg32_G.dll\",,0",
        "[DestinationDirs]",
        "DefaultDestDir = 11\t; LDID_SYS",
        "[SourceDisksNames]",
        "1=\"Morgan Multimedia Codec Disk\",,1",
        "[Strings]",
        "MediaClassName=\"Media Devices\"",
        "mfgname=\"Morgan Multimedia\"",
        "*M3JPEG.DeviceDesc=\"Morgan Multimedia MJPEG 32-bits codec\"",
        "*MJPG.DD=\"(MJPG) Morgan Multimedia MJPEG 32-bits codec\"",
    };
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i) joined += "\r\n";
      joined += lines[i];
    }
    return joined;
  }();
  return text;
}

}  // namespace bv
