#include "ops/ChipIdentity.h"

#include "device/DeviceFile.h"
#include "link/Link.h"
#include "link/LinkTexts.h"
#include "ops/BoardTexts.h"
#include "ops/OpTexts.h"

namespace tavrix {

namespace {

// Load Configuration puts the counter at 0x2000; the identification word is six steps on.
constexpr int kStepsToIdWord = 6;
// Load Configuration wants a data word; nothing is programmed from it.
constexpr std::uint32_t kLoadConfigData = 0x3FFF;
constexpr qint32 kBlank = 0x3FFF;

int revisionOf(qint32 word) {
  return word & kDeviceRevisionMask;
}

}  // namespace

IdentityWords readIdentityWords(Link& link) {
  const std::uint64_t failedBefore = link.failedWrites();
  IdentityWords words;
  link.SendCommand(CmdProgModeOn, 0);
  link.SendCommand(CmdLoadConfig, kLoadConfigData);
  for (int i = 0; i < kStepsToIdWord; ++i) link.SendCommand(CmdIncAddress, 0);
  words.idWord = link.SendCommand(CmdReadProgData, 0);
  link.SendCommand(CmdIncAddress, 0);
  words.configWord = link.SendCommand(CmdReadProgData, 0);
  link.SendCommand(CmdProgModeOff, 0);
  words.portFailed = link.failedWrites() != failedBefore;
  return words;
}

ChipAnswer classifyAnswer(const IdentityWords& words, const QStringList& matches) {
  if (words.idWord == 0 && words.configWord == 0) return ChipAnswer::Silent;
  if (words.idWord == kBlank && words.configWord == kBlank) return ChipAnswer::AllBlank;
  if (words.idWord == kBlank) return ChipAnswer::NoIdWord;
  return matches.isEmpty() ? ChipAnswer::Unknown : ChipAnswer::Known;
}

QList<DeviceDef> readDeviceCatalogue(const QString& configPath) {
  // One read of the file for the whole list; a later section of a repeated name is never read.
  QList<DeviceDef> catalogue;
  ForEachDevice(ReadDeviceList(configPath), [&catalogue](const DeviceDef& device) {
    catalogue.append(device);
    return true;
  });
  return catalogue;
}

QStringList devicesAnswering(const QList<DeviceDef>& catalogue, qint32 word) {
  QStringList names;
  for (const DeviceDef& device : catalogue)
    if (deviceIdMatches(device, word) && !names.contains(device.Name)) names.append(device.Name);
  return names;
}

Identification identifyChip(Link& link, const DeviceDef& selected,
                            const QList<DeviceDef>& catalogue) {
  Identification id;
  id.words = readIdentityWords(link);
  if (id.words.portFailed) {
    id.lines << texts::chipNotReadWithoutPort();
    if (const std::string why = link.port().writeProblem(); !why.empty())
      id.lines << visibleName(nameFromBytes(QByteArrayView(why)));
    return id;
  }
  const qint32 word = id.words.idWord;
  id.matches = devicesAnswering(catalogue, word);
  id.answer = classifyAnswer(id.words, id.matches);
  id.selectedMatches = deviceIdMatches(selected, word);
  const bool selectedHasId = selected.DeviceID != kNoDeviceId;

  id.lines << texts::configWordLine(id.words.configWord);
  switch (id.answer) {
    case ChipAnswer::Silent:
      id.lines << texts::idWordLine(word) << texts::chipSilent();
      break;
    case ChipAnswer::AllBlank:
      id.lines << texts::idWordLine(word) << texts::chipAllBlank(selected.Name, selectedHasId);
      break;
    case ChipAnswer::NoIdWord:
      id.lines << texts::idWordLine(word) << texts::chipWithoutIdWord(selected.Name, selectedHasId);
      break;
    case ChipAnswer::Unknown:
      id.lines << texts::idWordWithRevisionLine(word, revisionOf(word))
               << texts::chipUnknownWord(word);
      break;
    case ChipAnswer::Known:
      id.lines << texts::idWordWithRevisionLine(word, revisionOf(word))
               << (id.selectedMatches
                       ? texts::chipIsSelected(id.matches, revisionOf(word))
                       : texts::chipIsNotSelected(id.matches, revisionOf(word), selected.Name));
      break;
  }
  return id;
}

QString identityRefusal(Link& link, const DeviceDef& selected, const QList<DeviceDef>& catalogue) {
  if (selected.DeviceID == kNoDeviceId) return {};
  const IdentityWords words = readIdentityWords(link);
  if (words.portFailed) return texts::portFailure(link.port().writeProblem());
  if (deviceIdMatches(selected, words.idWord)) return {};
  const QStringList matches = devicesAnswering(catalogue, words.idWord);
  switch (classifyAnswer(words, matches)) {
    case ChipAnswer::Silent:
      return texts::refusalSilent();
    case ChipAnswer::AllBlank:
      return texts::refusalAllBlank(selected.Name);
    case ChipAnswer::NoIdWord:
      return texts::refusalNoIdWord(selected.Name);
    case ChipAnswer::Known:
      return texts::refusalOtherDevice(matches, words.idWord, revisionOf(words.idWord),
                                       selected.Name);
    case ChipAnswer::Unknown:
      break;
  }
  return texts::refusalUnknownWord(words.idWord, selected.Name);
}

}  // namespace tavrix
