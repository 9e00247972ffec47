#include "Sky.h"

#include <array>

#include <glm/mat4x4.hpp>
#include <osg/Depth>
#include <osg/Program>
#include <osg/Shader>

#include "Renderer/Camera.h"

namespace qel::demo {

namespace {

// The Earth's mean radius (metres): the sky is worked out in units of it, so single
// precision keeps a fraction of a metre near the ground.
constexpr double kEarthRadius = 6371000.0;
// Render bin of the sky: after the opaque scene (bin 0), before the see-through lines and
// the heads-up display.
constexpr int kSkyBin = 5;

// The shader's atmosphere: density exp(−altitude / H) up to kTopScaleHeights · H.
// H is about four times the real air's 8 km so that the rim reads from 20 000 km, where a
// pixel spans some 25 km; the gradient near the ground stays the familiar one.
constexpr const char* kVertexShader = R"(
#version 120
varying vec3 ray;
void main() {
  ray = gl_MultiTexCoord0.xyz;
  // On the far plane: drawn after the globe, the sky only fills what the globe left empty.
  gl_Position = vec4(gl_Vertex.xy, 1.0, 1.0);
}
)";

constexpr const char* kFragmentShader = R"(
#version 120
uniform vec3 eye;          // in Earth radii, from the centre
varying vec3 ray;
const float H = 30000.0 / 6371000.0;        // scale height (Earth radii)
const float TOP = 1.0 + 7.0 * H;            // where the air is too thin to show
const int STEPS = 8;
const vec3 ZENITH = vec3(0.16, 0.36, 0.78);  // the deep blue overhead
const vec3 HORIZON = vec3(0.72, 0.84, 0.98); // the pale band along the horizon
void main() {
  vec3 d = normalize(ray);
  float b = dot(eye, d);
  float c = dot(eye, eye) - TOP * TOP;
  float disc = b * b - c;
  if (disc <= 0.0) { gl_FragColor = vec4(0.0, 0.0, 0.0, 1.0); return; }
  float root = sqrt(disc);
  float t0 = max(-b - root, 0.0);
  float t1 = -b + root;
  // The ground ends the ray (it is drawn over the sky anyway).
  float ground = b * b - (dot(eye, eye) - 1.0);
  if (ground > 0.0 && -b - sqrt(ground) > 0.0) t1 = min(t1, -b - sqrt(ground));
  if (t1 <= t0) { gl_FragColor = vec4(0.0, 0.0, 0.0, 1.0); return; }
  // Air crossed, in vertical columns (1 = straight up from the ground).
  float dt = (t1 - t0) / float(STEPS);
  float depth = 0.0;
  for (int i = 0; i < STEPS; ++i) {
    vec3 p = eye + d * (t0 + (float(i) + 0.5) * dt);
    depth += exp(-(length(p) - 1.0) / H) * dt;
  }
  depth /= H;
  float glow = 1.0 - exp(-1.6 * depth);
  vec3 tint = mix(ZENITH, HORIZON, 1.0 - exp(-0.08 * depth));
  gl_FragColor = vec4(tint * glow, 1.0);
}
)";

}  // namespace

Sky::Sky()
    : node_(new osg::Geode),
      rays_(new osg::Vec3Array(4)),
      quad_(new osg::Geometry),
      eye_(new osg::Uniform("eye", osg::Vec3())) {
  osg::ref_ptr<osg::Vec3Array> corners = new osg::Vec3Array;
  for (const auto& [x, y] : std::array<std::pair<float, float>, 4>{{{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}}) {
    corners->push_back(osg::Vec3(x, y, 0.0f));
  }
  quad_->setUseDisplayList(false);
  quad_->setUseVertexBufferObjects(true);
  quad_->setDataVariance(osg::Object::DYNAMIC);
  quad_->setVertexArray(corners.get());
  quad_->setTexCoordArray(0, rays_.get(), osg::Array::BIND_PER_VERTEX);
  quad_->addPrimitiveSet(new osg::DrawArrays(GL_QUADS, 0, 4));
  quad_->setCullingActive(false);

  osg::ref_ptr<osg::Program> program = new osg::Program;
  program->addShader(new osg::Shader(osg::Shader::VERTEX, kVertexShader));
  program->addShader(new osg::Shader(osg::Shader::FRAGMENT, kFragmentShader));
  osg::StateSet* state = quad_->getOrCreateStateSet();
  state->setAttributeAndModes(program.get());
  state->addUniform(eye_.get());
  // After the opaque globe and boxes, where the depth buffer still holds the far plane:
  // pixels the globe covers are never shaded (the sky's work is the empty part only).
  state->setRenderBinDetails(kSkyBin, "RenderBin");
  state->setAttributeAndModes(new osg::Depth(osg::Depth::LEQUAL, 0.0, 1.0, false));
  state->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
  node_->setCullingActive(false);
  node_->addDrawable(quad_.get());
}

void Sky::update(const Camera& camera) {
  // The view ray through each corner of the window, from the inverse of the host's
  // projection and view (double precision; only the direction is passed on).
  const glm::dmat4 inverse = glm::inverse(camera.getProjectionMatrix().glm() * camera.getViewMatrix().glm());
  const Vector3<double> eye = camera.getPosition();
  const glm::dvec3 eyeGlm(eye.x, eye.y, eye.z);
  const std::array<std::pair<double, double>, 4> corners{{{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}};
  for (std::size_t i = 0; i < corners.size(); ++i) {
    const glm::dvec4 far = inverse * glm::dvec4(corners[i].first, corners[i].second, 0.0, 1.0);
    const glm::dvec3 direction = glm::normalize(glm::dvec3(far) / far.w - eyeGlm);
    (*rays_)[i] =
        osg::Vec3(static_cast<float>(direction.x), static_cast<float>(direction.y), static_cast<float>(direction.z));
  }
  rays_->dirty();
  eye_->set(osg::Vec3(static_cast<float>(eye.x / kEarthRadius), static_cast<float>(eye.y / kEarthRadius),
                      static_cast<float>(eye.z / kEarthRadius)));
}

}  // namespace qel::demo
