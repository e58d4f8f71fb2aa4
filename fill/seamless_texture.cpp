#include "fill/seamless_texture.h"

#include "fill/result_codes.h"
#include "platform/messages.h"
#include "resources/strings.h"
#include "seamless/seamless.h"
#include "texture/decoded_texture.h"

namespace fill {

int makeOpenedTextureSeamless(texture::TextureSource& source, const char* fileName, std::int16_t* result) {
  if (texture::isHighResTexture(fileName) || texture::isLowResTexture(fileName)) return 1;
  if (texture::holdWholeTexture(&source) == 0) {
    *result = readErr;
    platform::showTableMessage(IDS_READ_ERROR, platform::kBoxOk);
    return 0;
  }
  seamless::Picture picture{source.decoded, source.width, source.height, 3, 1};
  const seamless::Result made = seamless::makeSeamless(picture, seamless::Options{seamless::Method::smooth, false},
                                                       source.decodeProgress);
  switch (made.outcome) {
    case seamless::Outcome::done:
      return 1;
    case seamless::Outcome::aborted:
      *result = userCancelled;
      return 0;
    case seamless::Outcome::outOfMemory:
      *result = memFullErr;
      platform::showTableMessage(IDS_OUT_OF_MEMORY, platform::kBoxOk);
      return 0;
    default:
      *result = readErr;
      platform::showTableMessage(IDS_UNSUPPORTED_FORMAT, platform::kBoxOk);
      return 0;
  }
}

}  // namespace fill
